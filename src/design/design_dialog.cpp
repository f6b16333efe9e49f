#include "design/design_dialog.h"

#include "design/design_scale.h"
#include "design/enter_key.h"
#include "design/tab_chain.h"

#include <QKeyEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

DesignDialog::DesignDialog(const QString& name, const QString& caption, QWidget* parent)
    : QDialog(parent), m_designArea(new QWidget)
{
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(designFont(design_font::kWindow));

    // Shows no frame or scroll bar while the design fits, and takes no focus of its own.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("designScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    m_designArea->setObjectName(QStringLiteral("designArea"));
    scroll->setWidget(m_designArea);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void DesignDialog::setDesignSize(const QSize& size)
{
    m_designArea->resize(size);
    resize(size);
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
    std::vector<QWidget*> widgets;
    for (const auto& [tabIndex, widget] : widgetsByTabIndex)
        widgets.push_back(widget);
    chainTabOrder(widgets);
    if (!widgetsByTabIndex.empty())
        widgetsByTabIndex.front().second->setFocus();
}
