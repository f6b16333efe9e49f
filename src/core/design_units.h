#pragma once

// Window designs are measured in twips, 1/1440 of an inch. These two functions are the only
// place where twips meet pixels: pixels = twips x logical DPI / 1440.
namespace design {

constexpr double kTwipsPerInch = 1440.0;

int twipsToPixels(double twips, double logicalDpi);
double pixelsToTwips(int pixels, double logicalDpi);

// A rectangle in twips (Left, Top, Width, Height), as window designs give it.
struct TwipsRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

} // namespace design
