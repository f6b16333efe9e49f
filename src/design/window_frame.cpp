#include "design/window_frame.h"

#include "design/screen_placement.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace {

// The window system's events that may come with a new frame: an X11 window manager frames a
// window by reparenting it and setting _NET_FRAME_EXTENTS, and reconfigures it when it is
// maximised or restored.
class FrameEventFilter : public QAbstractNativeEventFilter
{
public:
    explicit FrameEventFilter(std::function<void()> seen) : m_seen(std::move(seen)) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType == "xcb_generic_event_t") {
            // X11 protocol event codes: the first byte of an event is its code, its top bit set
            // when another client (the window manager) sent it.
            constexpr quint8 kReparentNotify = 21;
            constexpr quint8 kConfigureNotify = 22;
            constexpr quint8 kPropertyNotify = 28;
            const quint8 code = *static_cast<const quint8*>(message) & 0x7f;
            if (code == kReparentNotify || code == kConfigureNotify || code == kPropertyNotify)
                m_seen();
        }
        return false;
    }

private:
    std::function<void()> m_seen;
};

} // namespace

QSize outerSize(const QWidget& window)
{
    if (const QWindow* handle = window.windowHandle())
        return handle->frameGeometry().size();
    return window.frameGeometry().size();
}

WindowFrameWatcher::WindowFrameWatcher(QWidget* window)
    : QObject(window), m_window(window),
      m_nativeEvents(std::make_unique<FrameEventFilter>([this] { checkLater(); }))
{
    QCoreApplication::instance()->installNativeEventFilter(m_nativeEvents.get());
}

// The filter takes itself off the application as it goes.
WindowFrameWatcher::~WindowFrameWatcher() = default;

void WindowFrameWatcher::checkLater()
{
    if (m_checkPending)
        return;
    m_checkPending = true;
    // Once Qt has handled the window system's event, so that the window reports the new frame.
    QTimer::singleShot(0, this, [this] {
        m_checkPending = false;
        check();
    });
}

// Placed again once the frame is there, not when it changes later: a restore from maximised may
// report the window's frame before its restored size, and the window placed with that size would
// stay as large as the screen.
void WindowFrameWatcher::check()
{
    const QWindow* window = m_window->windowHandle();
    const bool placedWithFrame = m_keptOnScreenWith && !m_keptOnScreenWith->isNull();
    if (window && window->isVisible() && !m_window->isMaximized() && !m_window->isFullScreen() &&
        !placedWithFrame && m_keptOnScreenWith != window->frameMargins()) {
        m_keptOnScreenWith = window->frameMargins();
        keepOnScreen(*m_window);
    }
    Q_EMIT frameChecked();
}
