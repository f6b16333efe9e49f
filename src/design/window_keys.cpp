#include "design/window_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

// The menu bar's own keyboard mode (arrows, Enter, Escape) is there only where the style says
// that Alt reaches the menu bar, which not every style on this platform does; and some styles
// highlight a menu only while it is open, so that the keyboard's place would not show.
class KeyboardMenuBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) && widget &&
            widget->hasFocus()) {
            QStyleOptionMenuItem highlighted(*item);
            highlighted.state |= State_Sunken;
            QProxyStyle::drawControl(element, &highlighted, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

bool isAltOnly(const QKeyEvent* event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

} // namespace

WindowKeys::WindowKeys(QMainWindow* window, QWidget* addressField, QWidget* page)
    : QObject(window), m_window(window), m_addressField(addressField), m_page(page)
{
    QMenuBar* bar = window->menuBar();
    auto* style = new KeyboardMenuBarStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(bar);
    bar->setStyle(style);

    // Not in a menu: the menus have no shortcut keys.
    auto* toAddress = new QAction(window);
    toAddress->setObjectName(QStringLiteral("focusAddressField"));
    toAddress->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::ALT | Qt::Key_D),
                             QKeySequence(Qt::Key_F6)});
    toAddress->setShortcutContext(Qt::WindowShortcut);
    connect(toAddress, &QAction::triggered, this, &WindowKeys::focusAddressField);
    window->addAction(toAddress);

    qApp->installEventFilter(this);
}

WindowKeys::~WindowKeys()
{
    qApp->removeEventFilter(this);
}

bool WindowKeys::isInWindow(QObject* object) const
{
    const auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == m_window;
}

// The menu bar takes Alt pressed and released alone over its window as the sign to highlight
// its first menu (its keyboard mode), and gives the focus back on Escape.
void WindowKeys::enterMenuBar()
{
    QMenuBar* bar = m_window->menuBar();
    m_altAlone = false;
    if (bar->actions().isEmpty())
        return;
    m_entering = true;
    bar->setActiveAction(bar->actions().constFirst());
    if (QWidget* popup = QApplication::activePopupWidget()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(popup, &escape);
    }
    m_entering = false;
}

void WindowKeys::focusAddressField()
{
    m_addressField->setFocus(Qt::ShortcutFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(m_addressField))
        edit->selectAll();
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (m_entering || !isInWindow(watched))
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Alt alone is ours: left to the menu bar as well, it would count it a second time.
        if (key->key() == Qt::Key_Alt && isAltOnly(key)) {
            m_altAlone = true;
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) {
            m_altAlone = isAltOnly(key);
            return false;
        }
        m_altAlone = false;
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            enterMenuBar();
            return true;
        }
        const auto* widget = static_cast<QWidget*>(watched);
        const bool inPage = widget == m_page || m_page->isAncestorOf(widget);
        return isAltOnly(key) && !key->text().isEmpty() && key->text().at(0).isPrint() && !inPage;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt && m_altAlone && !key->isAutoRepeat())
            enterMenuBar();
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::FocusOut:
        m_altAlone = false;
        return false;
    default:
        return false;
    }
}
