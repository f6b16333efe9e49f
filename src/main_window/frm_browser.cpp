#include "frm_browser.h"

#include "address_rule.h"
#include "design_scale.h"
#include "dialogs/canned_templates.h"
#include "dialogs/frm_about.h"
#include "dialogs/frm_option.h"
#include "enter_key.h"
#include "interval_timer.h"
#include "product_info.h"
#include "settings/query_string_command.h"
#include "settings/settings_file.h"
#include "settings/settings_messages.h"
#include "simple_status_bar.h"
#include "status_dots.h"
#include "url_template.h"
#include "web_browser_control.h"

#include <QAbstractNativeEventFilter>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <functional>

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

// The six lookup buttons, left to right (which is also their tab order).
struct LookupButton
{
    const char* name;
    const char* caption;
    QueryKey key;
    double fontSize;
    void (frmBrowser::*click)();
};

const LookupButton kLookupButtons[layout::kLookupButtonCount] = {
    {"cmdEn2Ch", "Chinese", QueryKey::Chinese, design_font::kMedium, &frmBrowser::cmdEn2Ch_Click},
    {"cmdEn2En", "English", QueryKey::English, design_font::kMedium, &frmBrowser::cmdEn2En_Click},
    {"cmdEn2Th", "Thesaurus", QueryKey::Thesaurus, design_font::kMedium,
     &frmBrowser::cmdEn2Th_Click},
    {"cmdEn2Jp", "Jananese", QueryKey::Japanese, design_font::kMedium, &frmBrowser::cmdEn2Jp_Click},
    {"cmdChiComputer", "Computer (Chi)", QueryKey::ChiComputer, design_font::kWindow,
     &frmBrowser::cmdChiComputer_Click},
    {"cmdEngComputer", "Computer (Eng)", QueryKey::EngComputer, design_font::kWindow,
     &frmBrowser::cmdEngComputer_Click},
};

// Keeps the status bar docked to the bottom of the client area, full width.
class ClientArea : public QWidget
{
public:
    using QWidget::QWidget;
    QWidget* dockedBottom = nullptr;
    int dockedHeight = 0;

protected:
    void resizeEvent(QResizeEvent*) override
    {
        if (dockedBottom)
            dockedBottom->setGeometry(0, height() - dockedHeight, width(), dockedHeight);
    }
};

// Calls back when the window system may have changed a window's frame without moving or
// resizing the window, which Qt reports with no event: an X11 window manager frames a window
// after it is first shown (reparenting it and setting _NET_FRAME_EXTENTS) and may change the
// frame when the window is maximised or restored.
class FrameChangeFilter : public QAbstractNativeEventFilter
{
public:
    explicit FrameChangeFilter(std::function<void()> changed) : m_changed(std::move(changed)) {}

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
                m_changed();
        }
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

frmBrowser::frmBrowser(const QString& programFolder, std::unique_ptr<WebBrowserControl> browser,
                       QWidget* parent)
    : QMainWindow(parent), m_browser(std::move(browser)), m_row(layout::designMainRow())
{
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Lexivo Dictionary II v1.1"));
    setFont(designFont(design_font::kWindow));
    buildDesign();
    buildMenus();

    // Program folder, platform separator, "session" — added even after a trailing separator.
    strSessionPath = programFolder + QDir::separator() + QStringLiteral("session");
    Form_Load();
    placeAtDesignPosition();

    m_frameChanges = std::make_unique<FrameChangeFilter>([this] { fitToFrameLater(); });
    QCoreApplication::instance()->installNativeEventFilter(m_frameChanges.get());
}

frmBrowser::~frmBrowser() = default;

QString frmBrowser::settingsFilePath() const
{
    return strSessionPath + QDir::separator() + settings_file::fileName();
}

void frmBrowser::buildDesign()
{
    const DesignScale scale(this);
    auto* client = new ClientArea(this);
    client->setObjectName(QStringLiteral("clientArea"));
    m_client = client;
    setCentralWidget(client);

    Timer1 = new IntervalTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &IntervalTimer::timeout, this, &frmBrowser::Timer1_Timer);

    auto makeButton = [&](int i) {
        const LookupButton& design = kLookupButtons[i];
        auto* button = new QPushButton(QString::fromLatin1(design.caption), client);
        button->setObjectName(QLatin1String(design.name));
        button->setFont(designFont(design.fontSize));
        m_lookupButtons[i] = button;
        connect(button, &QPushButton::clicked, this, design.click);
    };
    // Created in design order, which sets their stacking: the last five buttons right to left,
    // the browser, the status bar, the word box, the first button, the label.
    for (int i = layout::kLookupButtonCount - 1; i > 0; --i)
        makeButton(i);

    WebBrowser1 = m_browser->view();
    WebBrowser1->setParent(client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("Dictionary page"));
    connect(m_browser.get(), &WebBrowserControl::BeforeNavigate2, this,
            &frmBrowser::WebBrowser1_BeforeNavigate2);
    connect(m_browser.get(), &WebBrowserControl::NewWindow2, this,
            &frmBrowser::WebBrowser1_NewWindow2);
    connect(m_browser.get(), &WebBrowserControl::DocumentComplete, this,
            &frmBrowser::WebBrowser1_DocumentComplete);

    StatusBar1 = new SimpleStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAccessibleName(QStringLiteral("Status"));
    client->dockedBottom = StatusBar1;
    client->dockedHeight = scale.y(kStatusBarHeight);

    txtWord = new QLineEdit(client);
    txtWord->setObjectName(QStringLiteral("txtWord"));
    txtWord->setFont(designFont(design_font::kXLarge));
    txtWord->setMaxLength(std::numeric_limits<int>::max()); // QLineEdit's default is 32767

    makeButton(0);

    Label2 = new QLabel(QStringLiteral("Word:"), client);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(designFont(design_font::kXLarge));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop); // labels print from their top edge
    Label2->setBuddy(txtWord); // screen readers announce the word box as "Word:"
    scale.placeLabel(Label2, {120, 270, 855, 375});

    applyTabOrder();
    // The browser view may make its content widget (its focus proxy) only later, when its
    // engine starts, and Qt puts a new widget at the end of the focus chain, in front of
    // whatever comes after the view: order the chain again once it is there.
    WebBrowser1->installEventFilter(this);
    txtWord->setFocus();

    resize(scale.size(kClientWidth, kClientHeight));
    applyRowLayout();
}

// The design's tab order: the word box, the six buttons left to right, then the page (the label
// and the status bar take no focus).
void frmBrowser::applyTabOrder()
{
    QWidget::setTabOrder(txtWord, m_lookupButtons[0]);
    for (int i = 0; i + 1 < layout::kLookupButtonCount; ++i)
        QWidget::setTabOrder(m_lookupButtons[i], m_lookupButtons[i + 1]);
    QWidget::setTabOrder(m_lookupButtons[layout::kLookupButtonCount - 1], WebBrowser1);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    // The view sets its focus proxy after adding the child, so order the chain once that is
    // done.
    if (watched == WebBrowser1 && event->type() == QEvent::ChildAdded)
        QTimer::singleShot(0, this, &frmBrowser::applyTabOrder);
    return QMainWindow::eventFilter(watched, event);
}

void frmBrowser::buildMenus()
{
    QMenu* mnuDictionary = menuBar()->addMenu(QStringLiteral("Option"));
    mnuDictionary->setObjectName(QStringLiteral("mnuDictionary"));
    QAction* mnuQueryString =
        mnuDictionary->addAction(QStringLiteral("Online Dictionary Query String"));
    mnuQueryString->setObjectName(QStringLiteral("mnuQueryString"));
    connect(mnuQueryString, &QAction::triggered, this, &frmBrowser::mnuQueryString_Click);
    mnuDictionary->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    QAction* mnuExit = mnuDictionary->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &frmBrowser::mnuExit_Click);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuWebsite = mnuHelp->addAction(QStringLiteral("Website"));
    mnuWebsite->setObjectName(QStringLiteral("mnuWebsite"));
    connect(mnuWebsite, &QAction::triggered, this, &frmBrowser::mnuWebsite_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    QAction* mnuAbout = mnuHelp->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &frmBrowser::mnuAbout_Click);
}

// The design gives the client area (below the menu bar); the window's own geometry includes
// the menu bar, so it starts that much higher and is that much taller.
void frmBrowser::placeAtDesignPosition()
{
    const DesignScale scale(this);
    const int menuHeight = menuBar()->sizeHint().height();
    setGeometry(scale.x(kDesignLeft), scale.y(kDesignTop) - menuHeight, scale.x(kClientWidth),
                scale.y(kClientHeight) + menuHeight);
}

void frmBrowser::Form_Load()
{
    // A file named "session" counts as present. When the folder cannot be made (a read-only
    // program folder) the program still runs; saving will report the failure.
    if (!QFileInfo::exists(strSessionPath))
        QDir().mkdir(strSessionPath);

    const QString settingsFile = settingsFilePath();
    // A save killed between writing its temporary file and renaming it leaves the file behind.
    settings_file::removeStaleTemporaryFiles(QFileInfo(settingsFile).absolutePath(),
                                             QFileInfo(settingsFile).fileName());

    m_option = std::make_unique<frmOption>();

    if (QFileInfo(settingsFile).isFile()) {
        QString text; // stays empty when the file cannot be read
        QString failure;
        settings_file::ReadTextFile(settingsFile, text, &failure, &m_settingsSeen);
        m_option->setValues(settings_file::parse(text));
        // The fields stay empty, but a save would make that permanent: say so. Queued, so the
        // box comes up once the event loop runs, over the shown window, and start-up itself
        // never waits on it.
        if (!failure.isEmpty()) {
            QTimer::singleShot(
                0, this, [this, message = settings_messages::readFailed(settingsFile, failure)] {
                    QMessageBox::warning(this, settings_messages::title(), message);
                });
        }
    } else {
        m_option->setValues(canned_templates::defaults());
    }

    strCurrentURL = m_option->text(QueryKey::Home);
    openAddress(strCurrentURL);
}

void frmBrowser::Form_Unload()
{
    m_option.reset();
}

void frmBrowser::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmBrowser::keyPressEvent(QKeyEvent* event)
{
    // A lookup button with the focus takes Enter; the word box does not (no default button).
    if (!pressFocusedButtonOnEnter(focusWidget(), event))
        QMainWindow::keyPressEvent(event);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising reports no resize; restoring may not either when the size is unchanged.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmBrowser::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A window manager that moves the window as it frames it reports a move rather than a
    // resize; the row is fitted to the outer size, so fit it again.
    if (outerSize() != m_fittedOuterSize)
        Form_Resize();
}

void frmBrowser::fitToFrameLater()
{
    if (m_frameCheckPending)
        return;
    m_frameCheckPending = true;
    // Once Qt has handled the window system's event, so that the window reports the new frame.
    QTimer::singleShot(0, this, [this] {
        m_frameCheckPending = false;
        if (isVisible() && outerSize() != m_fittedOuterSize)
            Form_Resize();
    });
}

// The window's size with its frame, caption and menu bar, as the window system reports it now.
// QWidget::frameGeometry() keeps the frame seen at the last move or resize, so it misses a
// frame that the window manager adds later.
QSize frmBrowser::outerSize() const
{
    if (const QWindow* window = windowHandle())
        return window->frameGeometry().size();
    return frameGeometry().size();
}

void frmBrowser::Form_Resize()
{
    const DesignScale scale(this);
    const QSize client = isMinimized() ? QSize(0, 0) : m_client->size();
    // With no window manager there is no frame: the outer size is the window's own.
    const QSize outer = outerSize();
    m_fittedOuterSize = outer;
    m_row = layout::fitMainRow(m_row, {scale.twipsX(client.width()), scale.twipsY(client.height())},
                               {scale.twipsX(outer.width()), scale.twipsY(outer.height())});
    applyRowLayout();
}

void frmBrowser::applyRowLayout()
{
    const DesignScale scale(this);
    scale.place(txtWord, {m_row.wordLeft, kRowTop, m_row.wordWidth, kRowHeight});
    for (int i = 0; i < layout::kLookupButtonCount; ++i)
        scale.place(m_lookupButtons[i],
                    {m_row.buttonLeft[i], kRowTop, m_row.buttonWidth[i], kRowHeight});
    scale.place(WebBrowser1, {kBrowserLeft, kBrowserTop, m_row.browserWidth, m_row.browserHeight});
}

void frmBrowser::cmdEn2Ch_Click()
{
    lookup(QueryKey::Chinese);
}
void frmBrowser::cmdEn2En_Click()
{
    lookup(QueryKey::English);
}
void frmBrowser::cmdEn2Th_Click()
{
    lookup(QueryKey::Thesaurus);
}
void frmBrowser::cmdEn2Jp_Click()
{
    lookup(QueryKey::Japanese);
}
void frmBrowser::cmdChiComputer_Click()
{
    lookup(QueryKey::ChiComputer);
}
void frmBrowser::cmdEngComputer_Click()
{
    lookup(QueryKey::EngComputer);
}

void frmBrowser::lookup(QueryKey key)
{
    // The word and the template are read afresh on every click, so saved settings apply at once.
    const std::optional<QString> address =
        url_template::lookupAddress(txtWord->text(), m_option->text(key));
    if (!address)
        return;
    for (const LookupButton& button : kLookupButtons) // names the dictionary on an error page
        if (button.key == key)
            WebBrowser1->setProperty("lookupCaption", QString::fromLatin1(button.caption));
    GoToUrl(*address);
}

void frmBrowser::GoToUrl(const QString& address)
{
    strCurrentURL = address;
    StatusBar1->setSimpleText(QStringLiteral("goto ") + address);
    openAddress(address);
}

// Hands the address to the browser, or says in the status bar why it is not opened. The browser
// is not asked at all then: some addresses would crash it, others load nothing.
void frmBrowser::openAddress(const QString& address)
{
    const address_rule::Verdict verdict = address_rule::classify(address);
    if (verdict.refused())
        showRefusal(address_rule::refusalText(address, verdict));
    else
        m_browser->Navigate(address);
}

// A refusal ends the wait: the dots must not grow on its text. A navigation still loading ends
// as usual and clears the text.
void frmBrowser::showRefusal(const QString& text)
{
    Timer1->setEnabled(false);
    StatusBar1->setSimpleText(text);
    WebBrowser1->setProperty("lookupCaption", QVariant()); // no lookup reached the browser
}

void frmBrowser::mnuWebsite_Click()
{
    GoToUrl(product::makerWebsite());
}

void frmBrowser::mnuQueryString_Click()
{
    runQueryStringCommand(*m_option, settingsFilePath(), m_settingsSeen, this);
}

void frmBrowser::mnuAbout_Click()
{
    frmAbout about;
    about.exec();
}

void frmBrowser::mnuExit_Click()
{
    close(); // runs Form_Unload
    QCoreApplication::quit();
}

void frmBrowser::WebBrowser1_BeforeNavigate2(const QString& url, bool& cancel)
{
    // A page's link to mailto: and the like would leave the browser for another program.
    const address_rule::Verdict verdict = address_rule::classifyPageNavigation(url);
    if (verdict.refused()) {
        cancel = true;
        showRefusal(address_rule::refusalText(url, verdict));
        return;
    }
    StatusBar1->setSimpleText(QStringLiteral("Going to ") + url + QStringLiteral("..."));
    Timer1->setInterval(kDotInterval);
    Timer1->setEnabled(true);
}

void frmBrowser::WebBrowser1_NewWindow2(bool& cancel)
{
    cancel = true;
}

void frmBrowser::WebBrowser1_DocumentComplete(const QString& /*url*/)
{
    Timer1->setEnabled(false);
    StatusBar1->setSimpleText(QString());
}

void frmBrowser::Timer1_Timer()
{
    StatusBar1->setSimpleText(status_dots::nextTick(StatusBar1->SimpleText()));
}
