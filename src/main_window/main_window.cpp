#include "main_window/main_window.h"

#include "browser/browser.h"
#include "core/address_rule.h"
#include "core/interval_timer.h"
#include "core/lookup_origins.h"
#include "core/product_info.h"
#include "core/settings_messages.h"
#include "core/status_dots.h"
#include "core/url_template.h"
#include "design/design_scale.h"
#include "design/docked_client_area.h"
#include "design/enter_key.h"
#include "design/screen_placement.h"
#include "design/simple_status_bar.h"
#include "design/tab_chain.h"
#include "design/window_frame.h"
#include "design/window_keys.h"
#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "main_window/settings_command.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <optional>
#include <vector>

namespace {

using design::TwipsRect;

constexpr double kClientWidth = 13155;
constexpr double kClientHeight = 10395;
constexpr double kDesignLeft = 1050; // client area's top-left corner on the screen
constexpr double kDesignTop = 750;

constexpr double kRowTop = 240;
constexpr double kRowHeight = 495;
constexpr double kBrowserLeft = 120;
constexpr double kBrowserTop = 960;
constexpr double kStatusBarHeight = 420;
constexpr int kDotInterval = 1000; // ms
// A browser keeps a connection it opened ahead of time, unused, for about 10 s.
constexpr int kPreconnectInterval = 10000; // ms

// The six lookup buttons, left to right (which is also their tab order); their captions are the
// core's (lookupCaption).
struct LookupButton
{
    const char* name;
    QueryKey key;
    double fontSize;
};

const LookupButton kLookupButtons[layout::kLookupButtonCount] = {
    {"cmdEn2Ch", QueryKey::Chinese, design_font::kMedium},
    {"cmdEn2En", QueryKey::English, design_font::kMedium},
    {"cmdEn2Th", QueryKey::Thesaurus, design_font::kMedium},
    {"cmdEn2Jp", QueryKey::Japanese, design_font::kMedium},
    {"cmdChiComputer", QueryKey::ChiComputer, design_font::kWindow},
    {"cmdEngComputer", QueryKey::EngComputer, design_font::kWindow},
};

} // namespace

MainWindow::MainWindow(const QString& programFolder, std::unique_ptr<Browser> browser,
                       QWidget* parent)
    : QMainWindow(parent), m_settings(programFolder), m_browser(std::move(browser)),
      m_row(layout::designMainRow())
{
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Lexivo Dictionary II v1.1"));
    setFont(designFont(design_font::kWindow));
    buildDesign();
    buildMenus();
    // F10 and Alt to the menu bar, Ctrl+L, Alt+D and F6 to the word box, from anywhere in the
    // window; the word box itself handles no key.
    new WindowKeys(this, m_wordEdit, m_browserView);
    loadSettingsAndOpenHomePage();
    placeAtDesignPosition();

    m_frameWatcher = new WindowFrameWatcher(this);
    connect(m_frameWatcher, &WindowFrameWatcher::frameChecked, this, [this] {
        if (isVisible() && outerSize(*this) != m_fittedOuterSize)
            fitToWindow();
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildDesign()
{
    const DesignScale scale(this);
    auto* client = new DockedClientArea(this);
    client->setObjectName(QStringLiteral("clientArea"));
    m_client = client;
    setCentralWidget(client);

    m_dotTimer = new IntervalTimer(this);
    m_dotTimer->setObjectName(QStringLiteral("Timer1"));
    connect(m_dotTimer, &IntervalTimer::timeout, this, &MainWindow::growDots);

    auto makeButton = [&](int i) {
        const LookupButton& design = kLookupButtons[i];
        auto* button = new QPushButton(lookupCaption(design.key), client);
        button->setObjectName(QLatin1String(design.name));
        button->setFont(designFont(design.fontSize));
        m_lookupButtons[i] = button;
        connect(button, &QPushButton::clicked, this, [this, key = design.key] { lookUp(key); });
    };
    // Created in design order, which sets their stacking: the last five buttons right to left,
    // the browser, the status bar, the word box, the first button, the label.
    for (int i = layout::kLookupButtonCount - 1; i > 0; --i)
        makeButton(i);

    m_browserView = m_browser->view();
    m_browserView->setParent(client);
    m_browserView->setObjectName(QStringLiteral("WebBrowser1"));
    m_browserView->setAccessibleName(QStringLiteral("Dictionary page"));
    connect(m_browser.get(), &Browser::navigationStarting, this,
            &MainWindow::handleNavigationStarting);
    connect(m_browser.get(), &Browser::navigationRefused, this,
            &MainWindow::handleNavigationRefused);
    connect(m_browser.get(), &Browser::documentComplete, this, &MainWindow::handleDocumentComplete);
    connect(m_browser.get(), &Browser::lookUpRequested, this, &MainWindow::lookUpFromPage);

    m_statusBar = new SimpleStatusBar(client);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setAccessibleName(QStringLiteral("Status"));
    client->dockBottom(m_statusBar, scale.y(kStatusBarHeight));

    m_wordEdit = new QLineEdit(client);
    m_wordEdit->setObjectName(QStringLiteral("txtWord"));
    m_wordEdit->setFont(designFont(design_font::kXLarge));
    m_wordEdit->setMaxLength(std::numeric_limits<int>::max()); // QLineEdit's default is 32767
    connect(m_wordEdit, &QLineEdit::textEdited, this, &MainWindow::preconnectLookupServers);

    makeButton(0);

    m_wordLabel = new QLabel(QStringLiteral("Word:"), client);
    m_wordLabel->setObjectName(QStringLiteral("Label2"));
    m_wordLabel->setFont(designFont(design_font::kXLarge));
    m_wordLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop); // labels print from their top edge
    m_wordLabel->setBuddy(m_wordEdit); // screen readers announce the word box as "Word:"
    scale.placeLabel(m_wordLabel, {120, 270, 855, 375});

    // The design's tab order: the word box, the six buttons left to right, then the page (the
    // label and the status bar take no focus). The page's content comes when its engine starts.
    std::vector<QWidget*> tabOrder{m_wordEdit};
    tabOrder.insert(tabOrder.end(), m_lookupButtons.begin(), m_lookupButtons.end());
    tabOrder.push_back(m_browserView);
    new TabChain(std::move(tabOrder), this);
    applyReadingOrder();
    m_wordEdit->setFocus();

    resize(scale.size(kClientWidth, kClientHeight));
    applyRowLayout();
}

// Screen readers read a window's controls in their stacking order, which the design order leaves
// as no reader would want it (the last buttons first); no two controls overlap, so restacking
// them shows nothing, and the label, the word box, the buttons, the page and the status bar are
// read in that order.
void MainWindow::applyReadingOrder()
{
    m_wordLabel->raise();
    m_wordEdit->raise();
    for (QPushButton* button : m_lookupButtons)
        button->raise();
    m_browserView->raise();
    m_statusBar->raise();
}

void MainWindow::buildMenus()
{
    QMenu* optionMenu = menuBar()->addMenu(QStringLiteral("Option"));
    optionMenu->setObjectName(QStringLiteral("mnuDictionary"));
    QAction* queryStringAction =
        optionMenu->addAction(QStringLiteral("Online Dictionary Query String"));
    queryStringAction->setObjectName(QStringLiteral("mnuQueryString"));
    connect(queryStringAction, &QAction::triggered, this, &MainWindow::editQueryStrings);
    optionMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    QAction* exitAction = optionMenu->addAction(QStringLiteral("Exit"));
    exitAction->setObjectName(QStringLiteral("mnuExit"));
    connect(exitAction, &QAction::triggered, this, &MainWindow::exitProgram);

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    QAction* websiteAction = helpMenu->addAction(QStringLiteral("Website"));
    websiteAction->setObjectName(QStringLiteral("mnuWebsite"));
    connect(websiteAction, &QAction::triggered, this, &MainWindow::openWebsite);
    helpMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    QAction* aboutAction = helpMenu->addAction(QStringLiteral("About"));
    aboutAction->setObjectName(QStringLiteral("mnuAbout"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
}

// The design gives the client area (below the menu bar); the window's own geometry includes
// the menu bar, so it starts that much higher and is that much taller.
void MainWindow::placeAtDesignPosition()
{
    const DesignScale scale(this);
    const int menuHeight = menuBar()->sizeHint().height();
    setGeometry(scale.x(kDesignLeft), scale.y(kDesignTop) - menuHeight, scale.x(kClientWidth),
                scale.y(kClientHeight) + menuHeight);
    // A small screen, or a large scale, may not hold the design: the resize rule then lays the
    // controls out for the size that fits.
    keepOnScreen(*this);
}

void MainWindow::loadSettingsAndOpenHomePage()
{
    m_optionsDialog = std::make_unique<OptionsDialog>();
    const SettingsSession::Loaded loaded = m_settings.load();
    m_optionsDialog->setValues(loaded.values);
    // The fields stay empty, but a save would make that permanent: say so. Queued, so the box
    // comes up once the event loop runs, over the shown window, and start-up itself never waits
    // on it.
    if (!loaded.failure.isEmpty()) {
        QTimer::singleShot(
            0, this,
            [this, message = settings_messages::readFailed(m_settings.filePath(), loaded.failure)] {
                QMessageBox::warning(this, settings_messages::title(), message);
            });
    }

    m_currentUrl = m_optionsDialog->text(QueryKey::Home);
    openAddress(m_currentUrl);
}

void MainWindow::releaseOptionsDialog()
{
    m_optionsDialog.reset();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    releaseOptionsDialog();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // A lookup button with the focus takes Enter; the word box does not (no default button).
    if (!pressFocusedButtonOnEnter(focusWidget(), event))
        QMainWindow::keyPressEvent(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_frameWatcher->checkLater(); // the window system shows the window after this event
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitToWindow();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising reports no resize; restoring may not either when the size is unchanged.
    if (event->type() == QEvent::WindowStateChange)
        fitToWindow();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A window manager that moves the window as it frames it reports a move rather than a
    // resize; the row is fitted to the outer size, so fit it again.
    if (outerSize(*this) != m_fittedOuterSize)
        fitToWindow();
}

void MainWindow::fitToWindow()
{
    const DesignScale scale(this);
    const QSize client = isMinimized() ? QSize(0, 0) : m_client->size();
    // With no window manager there is no frame: the outer size is the window's own.
    const QSize outer = outerSize(*this);
    m_fittedOuterSize = outer;
    m_row = layout::fitMainRow(m_row, {scale.twipsX(client.width()), scale.twipsY(client.height())},
                               {scale.twipsX(outer.width()), scale.twipsY(outer.height())});
    applyRowLayout();
}

void MainWindow::applyRowLayout()
{
    const DesignScale scale(this);
    scale.place(m_wordEdit, {m_row.wordLeft, kRowTop, m_row.wordWidth, kRowHeight});
    for (int i = 0; i < layout::kLookupButtonCount; ++i)
        scale.placeButton(m_lookupButtons[i],
                          {m_row.buttonLeft[i], kRowTop, m_row.buttonWidth[i], kRowHeight});
    scale.place(m_browserView,
                {kBrowserLeft, kBrowserTop, m_row.browserWidth, m_row.browserHeight});
}

void MainWindow::lookUp(QueryKey key)
{
    // The word and the template are read afresh on every click, so saved settings apply at once.
    const std::optional<QString> address =
        url_template::lookupAddress(m_wordEdit->text(), m_optionsDialog->text(key));
    if (!address)
        return;
    goToUrl(*address, lookupCaption(key)); // the caption names the dictionary on an error page
}

// A word is being typed: a lookup is likely to follow, to one of the six templates' servers.
void MainWindow::preconnectLookupServers()
{
    if (m_sincePreconnect.isValid() && !m_sincePreconnect.hasExpired(kPreconnectInterval))
        return;
    m_sincePreconnect.start();
    m_browser->preconnect(lookup_origins::ofLookups(m_optionsDialog->values()));
}

// As if the user had typed the word in the word box and pressed key's button.
void MainWindow::lookUpFromPage(QueryKey key, const QString& word)
{
    m_wordEdit->setText(word.trimmed());
    lookUp(key);
}

void MainWindow::goToUrl(const QString& address, const QString& lookupCaption)
{
    m_currentUrl = address;
    m_statusBar->setText(QStringLiteral("goto ") + address);
    openAddress(address, lookupCaption);
}

// Hands the address to the browser, or says in the status bar why it is not opened. The browser
// is not asked at all then: some addresses would crash it, others load nothing.
void MainWindow::openAddress(const QString& address, const QString& lookupCaption)
{
    const address_rule::Verdict verdict = address_rule::classify(address);
    if (verdict.refused())
        showRefusal(address_rule::refusalText(address, verdict));
    else
        m_browser->navigate(address, lookupCaption);
}

// A refusal ends the wait: the dots must not grow on its text. A navigation still loading ends
// as usual and clears the text.
void MainWindow::showRefusal(const QString& text)
{
    m_dotTimer->setEnabled(false);
    m_statusBar->setText(text);
}

void MainWindow::openWebsite()
{
    goToUrl(product::makerWebsite());
}

void MainWindow::editQueryStrings()
{
    runQueryStringCommand(*m_optionsDialog, m_settings, this);
}

void MainWindow::showAbout()
{
    AboutDialog about;
    about.exec();
}

void MainWindow::exitProgram()
{
    close(); // runs releaseOptionsDialog
    QCoreApplication::quit();
}

void MainWindow::handleNavigationStarting(const QString& url)
{
    m_statusBar->setText(QStringLiteral("Going to ") + url + QStringLiteral("..."));
    m_dotTimer->setInterval(kDotInterval);
    m_dotTimer->setEnabled(true);
}

// A page's link to mailto: and the like, which would leave the browser for another program.
void MainWindow::handleNavigationRefused(const QString& /*url*/, const QString& reason)
{
    showRefusal(reason);
}

void MainWindow::handleDocumentComplete(const QString& /*url*/)
{
    m_dotTimer->setEnabled(false);
    m_statusBar->setText(QString());
}

void MainWindow::growDots()
{
    m_statusBar->setText(status_dots::nextTick(m_statusBar->text()));
}
