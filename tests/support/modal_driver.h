#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Drives modal dialogs as a user would: once a modal window other than `outer` is up, runs the
// action on it (which typically clicks its buttons). Schedule it before the call that blocks in
// exec(). Nested dialogs: schedule the inner one from within the outer action, before the click
// that opens it.
inline void whenModal(std::function<void(QWidget*)> action, QWidget* outer = nullptr,
                      int attemptsLeft = 500)
{
    QTimer::singleShot(
        10, qApp,
        [action = std::move(action), outer = QPointer<QWidget>(outer), attemptsLeft]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != outer && modal->isVisible()) {
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
