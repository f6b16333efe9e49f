#pragma once

// Drives "Online Dictionary Query String" through the real modal dialogs, for the suites of the
// settings command.

#include "main_window/main_window.h"
#include "menu_action.h"
#include "modal_driver.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>

inline void click(QWidget* dialog, const char* name)
{
    auto* button = childNamed<QPushButton>(dialog, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline QLineEdit* field(QWidget* dialog, const char* name)
{
    return childNamed<QLineEdit>(dialog, name);
}

// Opens the options dialog of `window`, lets `edit` change it, presses "Save", answers the first
// message box that follows, if any, with `answer` and closes any box after it; gives the first
// box's text (empty when none came). Every box is closed, also when an assertion fails.
inline QString saveAndAnswer(MainWindow& window, const std::function<void(QWidget*)>& edit,
                             QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    QString boxText;
    ModalDriver modals;
    std::function<void(QWidget*)> answerBox = [&](QWidget* box) {
        auto* message = qobject_cast<QMessageBox*>(box);
        if (!message)
            return;
        QAbstractButton* button = boxText.isNull() ? message->button(answer) : nullptr;
        if (boxText.isNull())
            boxText = message->text();
        modals.whenModal(answerBox, message); // a warning may follow a "Yes"
        (button ? button : message->buttons().constFirst())->click();
    };
    modals.whenModal([&](QWidget* dialog) {
        edit(dialog);
        // A save that asks nothing finishes at once: the look-out for a box goes with this call.
        modals.whenModal(answerBox, dialog);
        click(dialog, "cmdSave");
    });
    chooseMenuItem(window, "mnuQueryString");
    return boxText;
}
