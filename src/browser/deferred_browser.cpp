#include "browser/deferred_browser.h"

#include "browser/browser_engine.h"
#include "core/engine_module.h"

#include <QLabel>
#include <QPaintEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

// The browser's place in the window: empty while the engine starts, then the engine's view, or a
// notice when there is no engine. It tells once that it has been painted.
class EngineArea : public QWidget
{
public:
    explicit EngineArea(std::function<void()> firstPainted)
        : m_firstPainted(std::move(firstPainted))
    {
        // An empty page until the engine's view covers it, so the area does not flash grey.
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

    // The area itself takes no focus: the tab order reaches the page once there is one.
    void placeView(QWidget* view)
    {
        layout()->addWidget(view);
        setFocusProxy(view);
        view->show();
    }

    void showNotice(const QString& text)
    {
        auto* notice = new QLabel(text, this);
        notice->setObjectName(QStringLiteral("engineNotice"));
        notice->setAlignment(Qt::AlignCenter);
        notice->setWordWrap(true);
        notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
        notice->setMargin(24);
        layout()->addWidget(notice);
        notice->show();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (m_firstPainted) {
            // After this paint has reached the screen.
            QTimer::singleShot(0, this, std::exchange(m_firstPainted, nullptr));
        }
    }

private:
    std::function<void()> m_firstPainted;
};

DeferredBrowser::DeferredBrowser(QObject* parent)
    : Browser(parent), m_area(new EngineArea([self = QPointer<DeferredBrowser>(this)] {
          // The area may outlive this browser inside a window.
          if (!self)
              return;
          self->m_areaPainted = true;
          self->startEngineIfDue();
      }))
{
}

DeferredBrowser::~DeferredBrowser()
{
    // The engine's browser first: its view is the area's child until the area goes.
    m_engineBrowser.reset();
    if (m_area && !m_area->parent())
        delete m_area;
}

QWidget* DeferredBrowser::view()
{
    return m_area;
}

void DeferredBrowser::navigate(const QString& address, const QString& lookupCaption)
{
    if (m_engineBrowser) {
        m_engineBrowser->navigate(address, lookupCaption);
    } else if (!m_failure.isEmpty()) {
        Q_EMIT navigationRefused(address, engine_module::refusalText(address));
    } else {
        m_pending = Navigation{address, lookupCaption};
    }
}

void DeferredBrowser::preconnect(const QList<QUrl>& origins)
{
    if (m_engineBrowser)
        m_engineBrowser->preconnect(origins);
    else if (m_failure.isEmpty())
        m_pendingPreconnect = origins;
}

void DeferredBrowser::setEngine(BrowserEngine* engine)
{
    if (m_engine || !m_failure.isEmpty())
        return;
    m_engine = engine;
    QTimer::singleShot(kPaintWaitMs, this, [this] {
        m_paintWaitOver = true;
        startEngineIfDue();
    });
    startEngineIfDue();
}

void DeferredBrowser::setEngineFailed(const QString& reason)
{
    if (m_engine || !m_failure.isEmpty())
        return;
    m_failure = reason.isEmpty() ? QStringLiteral("unknown error") : reason;
    m_pendingPreconnect.clear();
    qWarning("%s", qUtf8Printable(engine_module::unavailableStatusText(m_failure)));
    if (m_area)
        m_area->showNotice(engine_module::unavailablePageText(m_failure));
    // The waiting navigation is refused with the reason; with none waiting, the status bar still
    // learns why nothing will load.
    const std::optional<Navigation> pending = std::exchange(m_pending, std::nullopt);
    Q_EMIT navigationRefused(pending ? pending->address : QString(),
                             engine_module::unavailableStatusText(m_failure));
}

void DeferredBrowser::startEngineIfDue()
{
    if (!m_engine || m_engineBrowser || !(m_areaPainted || m_paintWaitOver))
        return;
    m_engineBrowser = m_engine->createBrowser();
    Browser* engine = m_engineBrowser.get();
    connect(engine, &Browser::navigationStarting, this, &Browser::navigationStarting);
    connect(engine, &Browser::navigationRefused, this, &Browser::navigationRefused);
    connect(engine, &Browser::documentComplete, this, &Browser::documentComplete);
    connect(engine, &Browser::lookUpRequested, this, &Browser::lookUpRequested);
    if (m_area)
        m_area->placeView(engine->view());
    if (const std::optional<Navigation> pending = std::exchange(m_pending, std::nullopt))
        engine->navigate(pending->address, pending->lookupCaption);
    if (!m_pendingPreconnect.isEmpty())
        engine->preconnect(std::exchange(m_pendingPreconnect, {}));
    Q_EMIT engineStarted();
}
