#pragma once

// What the dialog suites share: the design's sizes on the offscreen platform's 96 dpi screen, a
// click on a named button, and the focus order as Tab walks it.

#include "core/design_units.h"
#include "modal_driver.h"

#include <QPushButton>
#include <QTest>

inline int pixels(double twips)
{
    return design::twipsToPixels(twips, 96);
}

inline void click(QWidget* dialog, const char* name)
{
    auto* button = childNamed<QPushButton>(dialog, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline QStringList focusCycle(QWidget* first, int count)
{
    QStringList names;
    QWidget* w = first;
    for (int i = 0; i < count; ++i) {
        names << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(first->window()) ||
               w->isWindow());
    }
    return names;
}

// The design's pixel sizes hold on a 96 dpi screen only.
#define LEXIVO_REQUIRE_96_DPI()                                                                    \
    do {                                                                                           \
        if (QWidget().logicalDpiX() != 96)                                                         \
            QSKIP("needs a 96 dpi screen (the offscreen platform)");                               \
    } while (false)
