#include "webengine/browser_actions.h"

#include "core/browser_rules.h"
#include "webengine/find_bar.h"
#include "webengine/page_guards.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>

namespace {

// Chromium's code for a navigation given up for another one (net::ERR_ABORTED).
constexpr int kAborted = -3;
constexpr int kWheelStep = 120; // one notch of a mouse wheel

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

BrowserActions::PrintDialogRunner& BrowserActions::printDialogRunner()
{
    static PrintDialogRunner runner = [](QPrintDialog& dialog) { return dialog.exec(); };
    return runner;
}

bool BrowserActions::isErrorPage(const QUrl& url)
{
    return error_page::isOwnPage(url, error_page::kMarker);
}

BrowserActions::BrowserActions(QWebEngineView* view)
    : QObject(view), m_view(view), m_findBar(new FindBar(view)), m_zoomPercent(zoom_steps::kDefault)
{
    setObjectName(QStringLiteral("browserActions"));
    view->installEventFilter(this);
    watchWindow();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &BrowserActions::showContextMenu);
    QWebEnginePage* page = view->page();
    connect(page, &QWebEnginePage::loadingChanged, this, &BrowserActions::onLoadingChanged);
    connect(page, &QWebEnginePage::urlChanged, this, &BrowserActions::applyZoom);
    connect(page, &QWebEnginePage::navigationRequested, this,
            [this](QWebEngineNavigationRequest& request) {
                if (!request.isMainFrame() || RendererWatchdog::isNotice(request.url()) ||
                    request.navigationType() == QWebEngineNavigationRequest::RedirectNavigation)
                    return;
                m_lookupCaption = m_nextLookupCaption;
                m_nextLookupCaption.clear();
            });
    connect(view, &QWebEngineView::printFinished, this, [this](bool success) {
        m_printer.reset();
        if (!success)
            showMessage(QStringLiteral("The page could not be printed."));
    });
}

BrowserActions::~BrowserActions() = default;

void BrowserActions::watchWindow()
{
    QWidget* window = m_view->window();
    if (window == m_view || window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    window->installEventFilter(this);
}

bool BrowserActions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view) {
        if (event->type() == QEvent::ParentChange) {
            watchWindow();
        } else if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
            QWidget* content = m_view->focusProxy();
            if (content && content != m_contentView) {
                m_contentView = content;
                content->installEventFilter(this);
            }
        }
        return false;
    }
    if (watched == m_window && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent*>(event));
    if (watched == m_contentView) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonRelease ||
            event->type() == QEvent::MouseButtonDblClick) {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
            if (button == Qt::BackButton || button == Qt::ForwardButton) {
                if (event->type() == QEvent::MouseButtonPress)
                    button == Qt::BackButton ? back() : forward();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            // The page takes Escape for itself; while a page loads, it stops the load instead.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
                m_view->page()->isLoading()) {
                stop();
                return true;
            }
        } else if (event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier))
                return false;
            // Zoomed in the program's steps; a touchpad sends many small deltas.
            m_wheelDelta += wheel->angleDelta().y();
            while (m_wheelDelta >= kWheelStep) {
                m_wheelDelta -= kWheelStep;
                setZoomPercent(zoom_steps::zoomIn(m_zoomPercent));
            }
            while (m_wheelDelta <= -kWheelStep) {
                m_wheelDelta += kWheelStep;
                setZoomPercent(zoom_steps::zoomOut(m_zoomPercent));
            }
            return true;
        }
    }
    return false;
}

bool BrowserActions::handleKey(QKeyEvent* event)
{
    // A text box of the window (the word box) keeps its keys; the find box is the view's own.
    QWidget* focus = QApplication::focusWidget();
    if ((qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus)) &&
        !m_view->isAncestorOf(focus))
        return false;
    const Qt::KeyboardModifiers mods =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (mods == Qt::AltModifier && key == Qt::Key_Left)
        back();
    else if (mods == Qt::AltModifier && key == Qt::Key_Right)
        forward();
    else if ((mods == Qt::NoModifier && key == Qt::Key_F5) ||
             (mods == Qt::ControlModifier && key == Qt::Key_R))
        reload();
    else if (mods == Qt::NoModifier && key == Qt::Key_Escape)
        stop();
    else if (mods == Qt::ControlModifier && key == Qt::Key_F)
        find();
    else if (key == Qt::Key_F3 && (mods == Qt::NoModifier || mods == Qt::ShiftModifier))
        m_findBar->isVisible() ? m_findBar->findNext(mods == Qt::ShiftModifier) : find();
    else if (mods == Qt::ControlModifier && key == Qt::Key_P)
        print();
    else if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) &&
             (key == Qt::Key_Plus || key == Qt::Key_Equal))
        setZoomPercent(zoom_steps::zoomIn(m_zoomPercent));
    else if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) &&
             (key == Qt::Key_Minus || key == Qt::Key_Underscore))
        setZoomPercent(zoom_steps::zoomOut(m_zoomPercent));
    else if (mods == Qt::ControlModifier && key == Qt::Key_0)
        setZoomPercent(zoom_steps::kDefault);
    else
        return false;
    return true;
}

void BrowserActions::back()
{
    QWebEngineHistory* history = m_view->history();
    // Behind the program's own page lies the address that failed, which would fail again and
    // bring the same page back: go to the page before it.
    if (RendererWatchdog::isNotice(m_view->url()) && history->currentItemIndex() >= 2)
        history->goToItem(history->itemAt(history->currentItemIndex() - 2));
    else
        history->back();
}

void BrowserActions::forward()
{
    m_view->history()->forward();
}

void BrowserActions::reload()
{
    m_view->page()->triggerAction(QWebEnginePage::Reload);
}

// The navigation under way ends as a stopped one: the browser reports its end.
void BrowserActions::stop()
{
    m_view->page()->triggerAction(QWebEnginePage::Stop);
}

void BrowserActions::find()
{
    m_findBar->open();
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
    if (!qFuzzyCompare(m_view->zoomFactor(), factor))
        m_view->setZoomFactor(factor);
}

void BrowserActions::print()
{
    if (m_printer)
        return; // one job at a time
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
    QPrintDialog dialog(printer.get(), m_view->window());
    if (noPrinter)
        dialog.setWindowTitle(QStringLiteral("Print - no printer is installed"));
    if (printDialogRunner()(dialog) != QDialog::Accepted)
        return;
    // With no printer the dialog can only print to a file, and it needs the file's name.
    if (noPrinter && (printer->outputFormat() == QPrinter::NativeFormat ||
                      printer->outputFileName().isEmpty())) {
        showMessage(QStringLiteral("No printer is installed. To keep the page, choose \"Print to "
                                   "File (PDF)\" in the print dialog."));
        return;
    }
    m_printer = std::move(printer);
    m_view->print(m_printer.get());
}

// Not modal: the program goes on while the message is shown.
void BrowserActions::showMessage(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Print"), text,
                                QMessageBox::Ok, m_view->window());
    box->setObjectName(QStringLiteral("printMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void BrowserActions::showContextMenu(const QPoint& pos)
{
    QMenu* menu = m_view->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("pageContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QWebEnginePage::WebAction unusable : kUnusable)
        menu->removeAction(m_view->pageAction(unusable));

    const QWebEngineContextMenuRequest* request = m_view->lastContextMenuRequest();
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
    menu->popup(m_view->mapToGlobal(pos));
}

void BrowserActions::setLookupContext(const QString& dictionaryCaption)
{
    m_nextLookupCaption = dictionaryCaption;
}

void BrowserActions::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    applyZoom();
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus ||
        RendererWatchdog::isNotice(info.url()))
        return;
    // An HTTP error status comes with the site's own page, shown as it is; a navigation given
    // up for another one has nothing to say.
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ||
        info.errorDomain() == QWebEngineLoadingInfo::NoErrorDomain || info.errorCode() == kAborted)
        return;
    const QString html =
        error_page::html(m_lookupCaption, info.url().host(),
                         error_page::shortError(info.errorCode(), info.errorString()));
    const QUrl failed = info.url();
    // Once the engine has finished with the failed load; not if another page is on its way.
    QTimer::singleShot(0, this, [this, html, failed] {
        if (m_view->url() == failed && !m_view->page()->isLoading())
            m_view->setHtml(html);
    });
}
