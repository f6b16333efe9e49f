#include "core/form_layout.h"

#include <algorithm>

namespace layout {

namespace {
constexpr float kRowMargin = 1900.0f; // label, word box margins and window frame
constexpr float kGap = 100.0f;        // between the word box and each button
constexpr float kBrowserMarginW = 400.0f;
constexpr float kBrowserMarginH = 2300.0f; // caption, menu, button row and status bar
} // namespace

MainRow designMainRow()
{
    MainRow row;
    row.wordLeft = 960;
    row.wordWidth = 4095;
    for (int i = 0; i < kLookupButtonCount; ++i) {
        row.buttonLeft[i] = 5160.0f + 1320.0f * float(i);
        row.buttonWidth[i] = 1215;
    }
    row.browserWidth = 12855;
    row.browserHeight = 8895;
    return row;
}

MainRow fitMainRow(const MainRow& current, SizeTwips clientArea, SizeTwips outerSize)
{
    if (clientArea.width == 0 && clientArea.height == 0)
        return current;

    // Six buttons are assumed to share the first one's width.
    const float wordWidth =
        outerSize.width - kLookupButtonCount * current.buttonWidth[0] - kRowMargin;
    if (wordWidth <= 0)
        return current;

    MainRow next = current;
    next.wordWidth = wordWidth;
    float previousRight = next.wordLeft + next.wordWidth;
    for (int i = 0; i < kLookupButtonCount; ++i) {
        next.buttonLeft[i] = previousRight + kGap;
        previousRight = next.buttonLeft[i] + next.buttonWidth[i];
    }
    next.browserWidth = outerSize.width - kBrowserMarginW;
    const float browserHeight = outerSize.height - kBrowserMarginH;
    next.browserHeight = browserHeight > 0 ? browserHeight : 0;
    return next;
}

PointTwips centeredPosition(SizeTwips screen, SizeTwips window)
{
    return {(screen.width - window.width) / 2.0f, (screen.height - window.height) / 2.0f};
}

QRect fitIntoArea(const QRect& window, const QRect& area)
{
    const int width = std::min(window.width(), area.width());
    const int height = std::min(window.height(), area.height());
    const int left = std::clamp(window.left(), area.left(), area.left() + area.width() - width);
    const int top = std::clamp(window.top(), area.top(), area.top() + area.height() - height);
    return {left, top, width, height};
}

} // namespace layout
