#pragma once

#include <QObject>

class QMainWindow;
class QWidget;

// The keys a window of the design's platform has without any handling of its own, for every
// control of the window, an embedded page included (whose view sees keys before its window):
// - F10, or Alt pressed and released alone, highlights the menu bar's first menu; the arrow keys
//   move along the bar and into a menu, Enter or Down opens it, Escape leaves the bar and gives
//   the focus back. The menus need no shortcut keys for it.
// - Alt with a character is a menu key, never text: it types nothing into the window's text
//   boxes (the page keeps its own use of it).
// - The address keys of a browser (Ctrl+L, Alt+D, F6) put the focus in the window's address
//   field, here the word box, with its text selected.
class WindowKeys : public QObject
{
    Q_OBJECT
public:
    // Watches the application's events for `window`; `addressField` takes the address keys,
    // `page` is the embedded page, whose own keys are left alone.
    WindowKeys(QMainWindow* window, QWidget* addressField, QWidget* page);
    ~WindowKeys() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Highlights the first menu of the menu bar, as F10 does.
    void enterMenuBar();

private:
    bool isInWindow(QObject* object) const;
    void focusAddressField();

    QMainWindow* m_window;
    QWidget* m_addressField;
    QWidget* m_page;
    bool m_altAlone = false; // Alt is down and nothing else happened since
    bool m_entering = false; // the menu bar is being told
};
