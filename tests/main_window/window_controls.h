#pragma once

// The main window's controls, looked up by their design names, for the widget suites.

#include "design/simple_status_bar.h"
#include "main_window/main_window.h"

#include <QLineEdit>
#include <QPushButton>

// The six lookup buttons, left to right.
inline const char* const kButtonNames[] = {"cmdEn2Ch", "cmdEn2En",       "cmdEn2Th",
                                           "cmdEn2Jp", "cmdChiComputer", "cmdEngComputer"};

inline QPushButton* button(MainWindow& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

inline QLineEdit* wordBox(MainWindow& w)
{
    return w.findChild<QLineEdit*>(QStringLiteral("txtWord"));
}

inline QString status(MainWindow& w)
{
    return w.statusBarWidget()->text();
}
