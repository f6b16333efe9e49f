#pragma once

#include <QObject>

#include <vector>

class QWidget;

// Gives the widgets this tab order, first to last.
void chainTabOrder(const std::vector<QWidget*>& widgets);

// A tab order that holds when a widget in it makes its focusable content later: a browser view
// makes its content widget (its focus proxy) only when its engine starts, perhaps deep inside
// children made later still, and Qt puts a new widget at the end of the focus chain, in front of
// whatever came after the view. The order is chained again once the new child is there.
class TabChain : public QObject
{
public:
    TabChain(std::vector<QWidget*> widgets, QObject* parent);

    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);

    std::vector<QWidget*> m_widgets;
};
