#pragma once

#include <QRect>

#include <array>

// Layout arithmetic of the main window and window centring, in twips and single precision,
// so that results match the design figures to the twip.
namespace layout {

constexpr int kLookupButtonCount = 6;

// The part of the main window that follows its size: the word box, the row of six lookup
// buttons (left to right) and the browser view's size.
struct MainRow
{
    float wordLeft = 0;
    float wordWidth = 0;
    std::array<float, kLookupButtonCount> buttonLeft{};
    std::array<float, kLookupButtonCount> buttonWidth{};
    float browserWidth = 0;
    float browserHeight = 0;
};

struct SizeTwips
{
    float width = 0;
    float height = 0;
};

// The row as the main window is designed: word box 960..5055, buttons 1215 wide every 1320
// twips from 5160, browser view 12855 by 8895.
MainRow designMainRow();

// Fits the row and the browser view to the window's outer size (frame, caption and menu bar
// included). A minimised window (0 by 0 client area) and a window too narrow for the row of
// buttons leave everything as it was. The browser view never gets a negative height.
MainRow fitMainRow(const MainRow& current, SizeTwips clientArea, SizeTwips outerSize);

struct PointTwips
{
    float left = 0;
    float top = 0;
};

// Top-left position that puts a window of the given outer size in the middle of the screen;
// a window larger than the screen gets a negative position (fitIntoArea then mends it).
PointTwips centeredPosition(SizeTwips screen, SizeTwips window);

// A window's outer rectangle (pixels) moved, and made smaller where it must, so that it lies
// within the area (the screen less its panels): it keeps its place where that fits, and its
// size where the area is large enough.
QRect fitIntoArea(const QRect& window, const QRect& area);

} // namespace layout
