#include "design/tab_chain.h"

#include <QChildEvent>
#include <QTimer>
#include <QWidget>

void chainTabOrder(const std::vector<QWidget*>& widgets)
{
    for (std::size_t i = 0; i + 1 < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i], widgets[i + 1]);
}

TabChain::TabChain(std::vector<QWidget*> widgets, QObject* parent)
    : QObject(parent), m_widgets(std::move(widgets))
{
    apply();
    for (QWidget* widget : m_widgets)
        watch(widget);
}

void TabChain::apply()
{
    chainTabOrder(m_widgets);
}

bool TabChain::eventFilter(QObject* watched, QEvent* event)
{
    // A view sets its focus proxy after adding the child, so chain the order once that is done.
    // A child may get children of its own: watch those too.
    if (event->type() == QEvent::ChildAdded) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
            watch(child);
            QTimer::singleShot(0, this, &TabChain::apply);
        }
    }
    return QObject::eventFilter(watched, event);
}

// The widget and those it holds already: the content may come deep inside them.
void TabChain::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}
