#include "core/design_units.h"

#include <cmath>

namespace design {

int twipsToPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / kTwipsPerInch));
}

double pixelsToTwips(int pixels, double logicalDpi)
{
    return pixels * kTwipsPerInch / logicalDpi;
}

} // namespace design
