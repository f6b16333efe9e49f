#include "webengine/browser_actions.h"

#include "core/browser_rules.h"
#include "core/error_page.h"
#include "webengine/browser_view.h"
#include "webengine/find_bar.h"
#include "webengine/navigation_tracker.h"
#include "webengine/page_printer.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>

namespace {

constexpr int kWheelStep = 120; // one notch of a mouse wheel

// The browser's keys: the platform's standard ones, and the further keys browsers have taught
// their users.
struct Command
{
    const char* name; // the action's object name
    QKeySequence::StandardKey standardKey;
    QKeyCombination otherKey;
    void (BrowserActions::*run)();
};

const Command kCommands[] = {
    {"back", QKeySequence::Back, {}, &BrowserActions::back},
    {"forward", QKeySequence::Forward, {}, &BrowserActions::forward},
    {"reload", QKeySequence::Refresh, Qt::CTRL | Qt::Key_R, &BrowserActions::reload},
    {"stop", QKeySequence::UnknownKey, QKeyCombination(Qt::Key_Escape), &BrowserActions::stop},
    {"find", QKeySequence::Find, {}, &BrowserActions::find},
    {"findNext", QKeySequence::FindNext, {}, &BrowserActions::findNext},
    {"findPrevious", QKeySequence::FindPrevious, {}, &BrowserActions::findPrevious},
    {"print", QKeySequence::Print, {}, &BrowserActions::print},
    {"zoomIn", QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal, &BrowserActions::zoomIn},
    {"zoomOut", QKeySequence::ZoomOut, {}, &BrowserActions::zoomOut},
    {"resetZoom", QKeySequence::UnknownKey, Qt::CTRL | Qt::Key_0, &BrowserActions::resetZoom},
};

QList<QKeySequence> shortcutsOf(const Command& command)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(command.standardKey);
    const QKeySequence other(command.otherKey);
    // Twice the same key on one action would make it ambiguous, and do nothing.
    if (!other.isEmpty() && !keys.contains(other))
        keys.append(other);
    return keys;
}

// Entries of the engine's menu that do nothing here: downloads are refused, no second window
// opens, and the program has no place to save or show a page's source.
constexpr QWebEnginePage::WebAction kUnusable[] = {
    QWebEnginePage::SavePage,
    QWebEnginePage::ViewSource,
    QWebEnginePage::OpenLinkInNewWindow,
    QWebEnginePage::OpenLinkInNewTab,
    QWebEnginePage::OpenLinkInNewBackgroundTab,
    QWebEnginePage::DownloadLinkToDisk,
    QWebEnginePage::DownloadImageToDisk,
    QWebEnginePage::DownloadMediaToDisk,
    QWebEnginePage::InspectElement,
};

// No separator at either end of the menu or next to another one.
void tidySeparators(QMenu* menu)
{
    QAction* previous = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() && (!previous || previous->isSeparator()))
            menu->removeAction(action);
        else
            previous = action;
    }
    if (previous && previous->isSeparator())
        menu->removeAction(previous);
}

} // namespace

BrowserActions::BrowserActions(BrowserView* view, QWebEngineView* webView,
                               NavigationTracker* navigations, FindBar* findBar)
    : QObject(view), m_view(view), m_webView(webView), m_navigations(navigations),
      m_findBar(findBar), m_printer(new PagePrinter(webView)), m_zoomPercent(zoom_steps::kDefault)
{
    setObjectName(QStringLiteral("browserActions"));
    addActions();
    webView->installEventFilter(this);
    webView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(webView, &QWidget::customContextMenuRequested, this, &BrowserActions::showContextMenu);
    QWebEnginePage* page = webView->page();
    connect(page, &QWebEnginePage::loadingChanged, this, &BrowserActions::applyZoom);
    connect(page, &QWebEnginePage::urlChanged, this, &BrowserActions::applyZoom);
    connect(navigations, &NavigationTracker::loadingChanged, this, &BrowserActions::updateEnabled);
    connect(qApp, &QApplication::focusChanged, this, &BrowserActions::updateEnabled);
    updateEnabled();
}

void BrowserActions::addActions()
{
    for (const Command& command : kCommands) {
        auto* action = new QAction(m_view);
        action->setObjectName(QString::fromLatin1(command.name));
        action->setShortcuts(shortcutsOf(command));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command.run);
        m_view->addAction(action);
        m_actions.append(action);
    }
    m_stop = action("stop");
}

QAction* BrowserActions::action(const char* name) const
{
    for (QAction* action : m_actions) {
        if (action->objectName() == QLatin1String(name))
            return action;
    }
    return nullptr;
}

// A disabled action leaves its keys to the widget that has the focus.
void BrowserActions::updateEnabled()
{
    // A text box of the window (the word box) keeps its keys; the find box is the view's own.
    QWidget* focus = QApplication::focusWidget();
    const bool textBoxHasKeys =
        (qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus)) &&
        !m_view->isAncestorOf(focus);
    for (QAction* action : m_actions)
        action->setEnabled(!textBoxHasKeys);
    // Escape has no editing meaning in a text box: it stops a load from anywhere in the window,
    // and is the page's while nothing loads.
    m_stop->setEnabled(m_navigations->isLoading());
}

bool BrowserActions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_webView) {
        // The engine makes the widget that shows the page, and may make a new one for a page of
        // another site.
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
            QWidget* content = m_webView->focusProxy();
            if (content && content != m_contentView) {
                m_contentView = content;
                content->installEventFilter(this);
            }
        }
        return false;
    }
    return watched == m_contentView && handleContentEvent(event);
}

// The mouse's back and forward buttons, and Ctrl with the wheel, over the page. Escape reaches
// the page only while nothing loads (the stop action takes it otherwise).
bool BrowserActions::handleContentEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
            m_navigations->stopRequested();
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button != Qt::BackButton && button != Qt::ForwardButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            button == Qt::BackButton ? back() : forward();
        return true;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        // Zoomed in the program's steps; a touchpad sends many small deltas.
        m_wheelDelta += wheel->angleDelta().y();
        for (; m_wheelDelta >= kWheelStep; m_wheelDelta -= kWheelStep)
            zoomIn();
        for (; m_wheelDelta <= -kWheelStep; m_wheelDelta += kWheelStep)
            zoomOut();
        return true;
    }
    default:
        return false;
    }
}

void BrowserActions::back()
{
    QWebEngineHistory* history = m_webView->history();
    // Behind the program's error page lies the address that failed, which would fail again and
    // bring the same page back: go to the page before it.
    if (error_page::isErrorPage(m_webView->url()) && history->currentItemIndex() >= 2)
        history->goToItem(history->itemAt(history->currentItemIndex() - 2));
    else
        history->back();
}

void BrowserActions::forward()
{
    m_webView->history()->forward();
}

void BrowserActions::reload()
{
    m_webView->page()->triggerAction(QWebEnginePage::Reload);
}

// The navigation under way ends as a stopped one: the tracker reports its end.
void BrowserActions::stop()
{
    m_navigations->stopRequested();
    m_webView->page()->triggerAction(QWebEnginePage::Stop);
}

void BrowserActions::find()
{
    m_findBar->open();
}

void BrowserActions::findNext()
{
    m_findBar->isVisible() ? m_findBar->findNext(false) : m_findBar->open();
}

void BrowserActions::findPrevious()
{
    m_findBar->isVisible() ? m_findBar->findNext(true) : m_findBar->open();
}

void BrowserActions::print()
{
    m_printer->print();
}

void BrowserActions::zoomIn()
{
    setZoomPercent(zoom_steps::zoomIn(m_zoomPercent));
}

void BrowserActions::zoomOut()
{
    setZoomPercent(zoom_steps::zoomOut(m_zoomPercent));
}

void BrowserActions::resetZoom()
{
    setZoomPercent(zoom_steps::kDefault);
}

void BrowserActions::setZoomPercent(int percent)
{
    m_zoomPercent = qBound(zoom_steps::kSteps.front(), percent, zoom_steps::kSteps.back());
    applyZoom();
}

// The engine keeps a zoom level per site and resets it on the way to another one: the level
// chosen here holds for every page, for the whole run.
void BrowserActions::applyZoom()
{
    const qreal factor = m_zoomPercent / 100.0;
    if (!qFuzzyCompare(m_webView->zoomFactor(), factor))
        m_webView->setZoomFactor(factor);
}

void BrowserActions::showContextMenu(const QPoint& pos)
{
    QMenu* menu = m_webView->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("pageContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QWebEnginePage::WebAction unusable : kUnusable)
        menu->removeAction(m_webView->pageAction(unusable));

    const QWebEngineContextMenuRequest* request = m_webView->lastContextMenuRequest();
    const std::optional<QString> text =
        request ? selection_lookup::lookupText(request->selectedText()) : std::nullopt;
    QAction* first = menu->actions().value(0);
    if (text) {
        auto* lookUpMenu = new QMenu(selection_lookup::menuCaption(*text), menu);
        lookUpMenu->setObjectName(QStringLiteral("lookUpMenu"));
        for (const LookupDictionary& dictionary : kLookupDictionaries) {
            QAction* action = lookUpMenu->addAction(QString::fromLatin1(dictionary.caption));
            connect(action, &QAction::triggered, this, [this, word = *text, key = dictionary.key] {
                Q_EMIT lookUpRequested(key, word);
            });
        }
        menu->insertMenu(first, lookUpMenu);
        menu->insertSeparator(first);
    }
    menu->addSeparator();
    QAction* printAction = menu->addAction(QStringLiteral("Print\u2026"));
    printAction->setObjectName(QStringLiteral("printPage"));
    // Queued: the dialog comes up once the menu has closed.
    connect(printAction, &QAction::triggered, this, &BrowserActions::print, Qt::QueuedConnection);
    tidySeparators(menu);
    m_view->popUp(menu, m_webView->mapToGlobal(pos));
}
