#include "design/screen_placement.h"

#include "core/form_layout.h"
#include "design/design_scale.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// The thickness of the frame and caption the window manager adds, as the window system reports
// it now (QWidget::frameGeometry() keeps the frame seen at the last move or resize). A window
// that has never been shown has no frame yet, so borrow the frame of one that has; windows of
// one program get the same decorations.
QMargins frameMargins(const QWidget& form)
{
    const auto marginsOf = [](const QWidget& w) {
        const QWindow* window = w.windowHandle();
        return window && window->isVisible() ? window->frameMargins() : QMargins();
    };
    const QMargins own = marginsOf(form);
    if (!own.isNull() || form.isVisible())
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &form && !marginsOf(*other).isNull())
            return marginsOf(*other);
    }
    return own;
}

// The window's frame on the screen. pos() and move() are the frame's corner, size() and
// resize() the window's own size.
QRect outerRect(const QWidget& form)
{
    if (const QWindow* window = form.windowHandle(); window && window->isVisible())
        return window->frameGeometry();
    return {form.pos(), form.size().grownBy(frameMargins(form))};
}

const QScreen& screenOf(const QWidget& form)
{
    return form.screen() ? *form.screen() : *QGuiApplication::primaryScreen();
}

} // namespace

void centerOnScreen(QWidget& form)
{
    const QScreen* screen = &screenOf(form);
    const DesignScale scale(&form);
    const QSize screenSize = screen->geometry().size();
    const QMargins frame = frameMargins(form);
    const QSize outer = form.size().grownBy(frame);
    const layout::PointTwips position = layout::centeredPosition(
        {scale.twipsX(screenSize.width()), scale.twipsY(screenSize.height())},
        {scale.twipsX(outer.width()), scale.twipsY(outer.height())});
    // move() places the outer frame's corner.
    form.move(screen->geometry().left() + scale.x(position.left),
              screen->geometry().top() + scale.y(position.top));
    keepOnScreen(form);
}

void keepOnScreen(QWidget& form)
{
    const QRect outer = outerRect(form);
    const QRect fitted = layout::fitIntoArea(outer, screenOf(form).availableGeometry());
    if (fitted.size() != outer.size())
        form.resize(fitted.size().shrunkBy(frameMargins(form)));
    if (fitted.topLeft() != outer.topLeft())
        form.move(fitted.topLeft());
}
