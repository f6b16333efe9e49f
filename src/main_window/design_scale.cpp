#include "design_scale.h"

#include <QWidget>

DesignScale::DesignScale(const QWidget* widget)
    : m_dpiX(widget->logicalDpiX()), m_dpiY(widget->logicalDpiY())
{
}

QRect DesignScale::rect(const design::TwipsRect& r) const
{
    return {x(r.left), y(r.top), x(r.width), y(r.height)};
}

QSize DesignScale::size(double widthTwips, double heightTwips) const
{
    return {x(widthTwips), y(heightTwips)};
}

void DesignScale::place(QWidget* widget, const design::TwipsRect& r) const
{
    widget->setGeometry(rect(r));
}

QFont designFont(double pointSize)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}
