#include "design/enter_key.h"

#include <QKeyEvent>
#include <QPushButton>

bool isEnterKey(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool pressFocusedButtonOnEnter(QWidget* focus, QKeyEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(focus);
    if (!button || !isEnterKey(event))
        return false;
    button->click();
    event->accept();
    return true;
}
