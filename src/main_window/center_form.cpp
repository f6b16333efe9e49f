#include "center_form.h"

#include "design_scale.h"
#include "form_layout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CenterForm(QWidget& form)
{
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    const DesignScale scale(&form);
    const QSize screenSize = screen->geometry().size();
    // frameGeometry() includes the caption and border once the window has been shown; before
    // that it equals the client geometry, the best size we know.
    const QSize outer = form.frameGeometry().size();
    const layout::PointTwips position = layout::centredPosition(
        {scale.twipsX(screenSize.width()), scale.twipsY(screenSize.height())},
        {scale.twipsX(outer.width()), scale.twipsY(outer.height())});
    form.move(screen->geometry().left() + scale.x(position.left),
              screen->geometry().top() + scale.y(position.top));
}
