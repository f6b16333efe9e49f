#pragma once

#include <QAction>
#include <QTest>
#include <QWidget>

// Chooses a menu command of a window as the user would, by the design name of its menu item
// ("mnuQueryString"). Returns when the command has run (a modal dialog it opens included).
inline void chooseMenuItem(QWidget& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    action->trigger();
}
