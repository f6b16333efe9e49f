#include "design/design_scale.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>

namespace {

// How many pixels the button's caption lacks in the area its style draws the caption in, at the
// given size.
int captionShortfall(const QPushButton* button, const QSize& size)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = QRect(QPoint(0, 0), size);
    option.text = button->text();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return std::max(0, button->fontMetrics().horizontalAdvance(button->text()) - room.width());
}

} // namespace

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

void DesignScale::placeLabel(QLabel* label, const design::TwipsRect& r) const
{
    QRect geometry = rect(r);
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) +
                       2 * (label->frameWidth() + label->margin());
    if (needed > geometry.width())
        geometry.setWidth(needed);
    label->setGeometry(geometry);
}

void DesignScale::placeButton(QPushButton* button, const design::TwipsRect& r) const
{
    QRect geometry = rect(r);
    geometry.setWidth(geometry.width() + captionShortfall(button, geometry.size()));
    button->setGeometry(geometry);
}

QFont designFont(double pointSize)
{
    // The designs were drawn with "MS Sans Serif". Where it is missing, fonts with nearly the
    // same widths come first, so that captions fit their buttons; any sans-serif is the last
    // resort.
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                    QStringLiteral("Liberation Sans"),
                                    QStringLiteral("Helvetica")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}
