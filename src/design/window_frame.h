#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>

#include <memory>
#include <optional>

class QAbstractNativeEventFilter;
class QWidget;

// The frame, caption and menu bar a window manager puts round a top-level window come after the
// window is first shown, and may change (none round a maximised window) without the window being
// moved or resized: Qt then reports no event at all.

// The window's size with its frame, as the window system reports it now. QWidget::frameGeometry()
// keeps the frame seen at the last move or resize, so it misses a frame added later.
QSize outerSize(const QWidget& window);

// Watches the window system for a top-level window's frame: once the frame comes, the window is
// placed again within its screen (it was placed before it had a frame, which may take it past the
// screen's edge; a window the user moved is left where it is), and whenever it comes or changes
// frameChecked() is emitted, so that a window laid out for its outer size can follow.
class WindowFrameWatcher : public QObject
{
    Q_OBJECT
public:
    explicit WindowFrameWatcher(QWidget* window);
    ~WindowFrameWatcher() override;

    // Checks the frame once Qt has handled the window system's pending events; the window's
    // showEvent calls it, as the window system shows the window after that event. Several calls
    // before the check make one check.
    void checkLater();

Q_SIGNALS:
    void frameChecked();

private:
    void check();

    QWidget* m_window;
    std::unique_ptr<QAbstractNativeEventFilter> m_nativeEvents;
    bool m_checkPending = false;
    std::optional<QMargins> m_keptOnScreenWith; // the frame the window was last placed with
};
