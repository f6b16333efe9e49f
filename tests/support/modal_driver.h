#pragma once

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>

#include <functional>

// Drives modal dialogs as a user would: once a modal window other than `outer` is up, runs the
// action on it (which typically clicks its buttons). Declare one in the test function and
// schedule with whenModal() before the call that blocks in exec(). Nested dialogs: schedule the
// inner one from within the outer action, before the click that opens it.
//
// Actions hold references into the test function, so they must not outlive it: the driver is
// the context of every timer it starts, and its destruction cancels them. A test that returns
// early (a failed QVERIFY before exec()) takes its pending actions with it instead of leaving
// them to run in a later test's dialog, on a stack frame that is gone.
//
// The dialog is always closed once the action returns: a QCOMPARE or QVERIFY that fails inside
// the action returns from it early, and a dialog left open would keep exec() waiting until the
// test's watchdog kills the whole suite. A dialog the action closed itself is left alone. Keep
// assertions after exec() where practical; those inside the action at least fail at once.
class ModalDriver : public QObject
{
public:
    using Action = std::function<void(QWidget*)>;

    // Looks for the dialog every 10 ms, for at most about five seconds.
    void whenModal(Action action, QWidget* outer = nullptr) { poll(std::move(action), outer, 500); }

private:
    // A shown dialog gets the focus once the window system has activated it, which on a loaded
    // machine comes a while later; where nothing activates windows, it is acted on all the same
    // after about two seconds.
    static bool ready(QWidget* modal, int attemptsLeft)
    {
        return modal->isVisible() && (modal->isActiveWindow() || attemptsLeft < 300);
    }

    void poll(Action action, QPointer<QWidget> outer, int attemptsLeft)
    {
        QTimer::singleShot(
            10, this, [this, action = std::move(action), outer, attemptsLeft]() mutable {
                QWidget* modal = QApplication::activeModalWidget();
                if (modal && modal != outer && ready(modal, attemptsLeft)) {
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
                    poll(std::move(action), outer, attemptsLeft - 1);
                } else {
                    qWarning("ModalDriver: no modal dialog appeared");
                }
            });
    }
};

template <typename T> T* childNamed(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}
