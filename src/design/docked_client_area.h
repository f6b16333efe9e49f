#pragma once

#include <QWidget>

// A window's client area with one control docked to its bottom edge at the full width (a status
// bar), which follows the area's size whatever else lays the area out.
class DockedClientArea : public QWidget
{
public:
    using QWidget::QWidget;

    // Docks the widget, a child of this area, with the given height in pixels.
    void dockBottom(QWidget* widget, int height);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeDocked();

    QWidget* m_docked = nullptr;
    int m_dockedHeight = 0;
};
