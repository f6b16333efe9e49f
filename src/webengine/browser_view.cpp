#include "webengine/browser_view.h"

#include <QAccessibleWidget>
#include <QMenu>

namespace {

// The view's own children, then its shown menu.
class BrowserViewAccessible : public QAccessibleWidget
{
public:
    explicit BrowserViewAccessible(BrowserView* view) : QAccessibleWidget(view) {}

    int childCount() const override { return QAccessibleWidget::childCount() + (menu() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override
    {
        if (menu() && index == QAccessibleWidget::childCount())
            return QAccessible::queryAccessibleInterface(menu());
        return QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (menu() && child && child->object() == menu())
            return QAccessibleWidget::childCount();
        return QAccessibleWidget::indexOfChild(child);
    }

private:
    QMenu* menu() const { return static_cast<BrowserView*>(widget())->shownMenu(); }
};

QAccessibleInterface* accessibleBrowserView(const QString& className, QObject* object)
{
    if (className == QLatin1String("BrowserView") && object && object->isWidgetType())
        return new BrowserViewAccessible(static_cast<BrowserView*>(object));
    return nullptr;
}

} // namespace

BrowserView::BrowserView(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleBrowserView);
        return true;
    }();
    Q_UNUSED(factoryInstalled)
}

void BrowserView::popUp(QMenu* menu, const QPoint& globalPos)
{
    menu->setParent(this, menu->windowFlags());
    m_menu = menu;
    menu->popup(globalPos);
}

QMenu* BrowserView::shownMenu() const
{
    return m_menu && m_menu->isVisible() ? m_menu.data() : nullptr;
}
