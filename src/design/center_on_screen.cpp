#include "design/center_on_screen.h"

#include "core/form_layout.h"
#include "design/design_scale.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace {

// The thickness of the frame and caption the window manager adds. A window that has never been
// shown has no frame yet, so borrow the frame of a window that has one; windows of one program
// get the same decorations.
QMargins frameMargins(const QWidget& form)
{
    const auto marginsOf = [](const QWidget& w) {
        const QRect frame = w.frameGeometry();
        const QRect inner = w.geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                        frame.right() - inner.right(), frame.bottom() - inner.bottom());
    };
    const QMargins own = marginsOf(form);
    if (!own.isNull() || form.testAttribute(Qt::WA_WState_Created))
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &form && other->isVisible() && !marginsOf(*other).isNull())
            return marginsOf(*other);
    }
    return own;
}

} // namespace

void centerOnScreen(QWidget& form)
{
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    const DesignScale scale(&form);
    const QSize screenSize = screen->geometry().size();
    const QMargins frame = frameMargins(form);
    const QSize outer = form.size().grownBy(frame);
    const layout::PointTwips position = layout::centredPosition(
        {scale.twipsX(screenSize.width()), scale.twipsY(screenSize.height())},
        {scale.twipsX(outer.width()), scale.twipsY(outer.height())});
    // move() places the outer frame's corner.
    form.move(screen->geometry().left() + scale.x(position.left),
              screen->geometry().top() + scale.y(position.top));
}
