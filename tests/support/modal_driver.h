#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>

#include <functional>

// Drives modal dialogs as a user would: once a modal window other than `outer` is up, runs the
// action on it (which typically clicks its buttons). Schedule it before the call that blocks in
// exec(). Nested dialogs: schedule the inner one from within the outer action, before the click
// that opens it.
//
// The dialog is always closed once the action returns: a QCOMPARE or QVERIFY that fails inside
// the action returns from it early, and a dialog left open would keep exec() waiting until the
// test's watchdog kills the whole suite. A dialog the action closed itself is left alone. Keep
// assertions after exec() where practical; those inside the action at least fail at once.
inline void whenModal(std::function<void(QWidget*)> action, QWidget* outer = nullptr,
                      int attemptsLeft = 500)
{
    QTimer::singleShot(
        10, qApp,
        [action = std::move(action), outer = QPointer<QWidget>(outer), attemptsLeft]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != outer && modal->isVisible()) {
                const auto closeIfStillOpen = qScopeGuard([dialog = QPointer<QWidget>(modal)] {
                    if (!dialog || !dialog->isVisible())
                        return;
                    if (auto* asDialog = qobject_cast<QDialog*>(dialog.data()))
                        asDialog->reject();
                    else
                        dialog->close();
                });
                action(modal);
            } else if (attemptsLeft > 0) {
                whenModal(std::move(action), outer, attemptsLeft - 1);
            } else {
                qWarning("whenModal: no modal dialog appeared");
            }
        });
}

template <typename T> T* childNamed(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}
