#pragma once

#include <QPointer>
#include <QWidget>

class QMenu;

// The widget the browser gives the window: it holds the engine's view and the find bar, and the
// page's context menu while that is open. Qt leaves pop-up windows out of the application's
// accessibility tree, and the engine's view lists only its page: hosted here, the menu and its
// "Look up" entries are in the tree a screen reader reads, not only heard as they are chosen.
class BrowserView : public QWidget
{
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);

    // Shows menu at the global position, as a child of this widget.
    void popUp(QMenu* menu, const QPoint& globalPos);
    // The menu popped up here while it is shown, or nullptr.
    QMenu* shownMenu() const;

private:
    QPointer<QMenu> m_menu;
};
