#include "design/docked_client_area.h"

void DockedClientArea::dockBottom(QWidget* widget, int height)
{
    m_docked = widget;
    m_dockedHeight = height;
    placeDocked();
}

void DockedClientArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeDocked();
}

void DockedClientArea::placeDocked()
{
    if (m_docked)
        m_docked->setGeometry(0, height() - m_dockedHeight, width(), m_dockedHeight);
}
