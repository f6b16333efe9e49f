#pragma once

#include "core/design_units.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;
class QWidget;

// Turns a window design (twips, "MS Sans Serif" point sizes) into widget geometry and fonts on
// this screen, using the logical DPI of the screen the widget is on.
class DesignScale
{
public:
    explicit DesignScale(const QWidget* widget);
    DesignScale(double dpiX, double dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}

    int x(double twips) const { return design::twipsToPixels(twips, m_dpiX); }
    int y(double twips) const { return design::twipsToPixels(twips, m_dpiY); }
    QRect rect(const design::TwipsRect& r) const;
    QSize size(double widthTwips, double heightTwips) const;
    float twipsX(int pixels) const { return float(design::pixelsToTwips(pixels, m_dpiX)); }
    float twipsY(int pixels) const { return float(design::pixelsToTwips(pixels, m_dpiY)); }

    // Sets the widget's position and size within its parent.
    void place(QWidget* widget, const design::TwipsRect& r) const;
    // The same for a label, widened where this platform's font needs a few more pixels than the
    // design's, so that no caption is cut off.
    void placeLabel(QLabel* label, const design::TwipsRect& r) const;
    // The same for a push button, widened (its left edge kept) just enough for its caption where
    // its style leaves less room around the caption than the design's platform did.
    void placeButton(QPushButton* button, const design::TwipsRect& r) const;

private:
    double m_dpiX;
    double m_dpiY;
};

// The design font "MS Sans Serif" at the given point size, regular: the platform's sans-serif
// at the same size.
QFont designFont(double pointSize);

// The design's point sizes.
namespace design_font {
constexpr double kWindow = 8.25;
constexpr double kMedium = 9.75;
constexpr double kLarge = 12.0;
constexpr double kXLarge = 13.5;
} // namespace design_font
