#include "design/design_dialog.h"

#include "design/design_scale.h"
#include "design/enter_key.h"

#include <QKeyEvent>

#include <algorithm>

DesignDialog::DesignDialog(const QString& name, const QString& caption, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(designFont(design_font::kWindow));
}

void DesignDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        pressFocusedButtonOnEnter(focusWidget(), event);
        event->accept(); // from a text box: there is no default button to press
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void DesignDialog::applyTabOrder(std::vector<std::pair<int, QWidget*>> widgetsByTabIndex)
{
    std::stable_sort(widgetsByTabIndex.begin(), widgetsByTabIndex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i + 1 < widgetsByTabIndex.size(); ++i)
        QWidget::setTabOrder(widgetsByTabIndex[i].second, widgetsByTabIndex[i + 1].second);
    if (!widgetsByTabIndex.empty())
        widgetsByTabIndex.front().second->setFocus();
}
