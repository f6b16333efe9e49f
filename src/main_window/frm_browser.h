#pragma once

// The main window. How a lookup flows through it:
//
//   txtWord ──┐
//             ├─> url_template::lookupAddress ─> GoToUrl ─> "goto <address>" in StatusBar1
//   frmOption ┘   (trim, %firstchar, %word)        │
//   (template                                      v
//    fields)                             address_rule::classify ─> refused: "Cannot open …"
//                                                  │ allowed
//                                                  v
//                                            WebBrowser1.navigate
//                                                  │
//        navigationStarting ─> "Going to <url>..." + Timer1 on (1 s) ─> dots grow each tick
//        navigationRefused ─> "Cannot open …" (the browser refused a page's link to mailto: …)
//        documentComplete ─> Timer1 off, status text cleared
//        (no new window ever opens: the browser refuses them itself)
//
// The settings live in frmOption's seven text boxes for the whole run; they are read from
// <settings folder>/session/lexivo.xml at start and written only when the user saves them; the
// settings folder is the program's own or the user's (settings_location).

#include "core/form_layout.h"
#include "core/query_string_set.h"
#include "core/settings_file.h"

#include <QMainWindow>

#include <memory>

class IntervalTimer;
class QAbstractNativeEventFilter;
class QLabel;
class QLineEdit;
class QPushButton;
class SimpleStatusBar;
class Browser;
class frmOption;

class frmBrowser : public QMainWindow
{
    Q_OBJECT
public:
    // programFolder holds the session folder: the program's own folder, or the per-user folder
    // when that cannot hold it (settings_location::settingsHome).
    frmBrowser(const QString& programFolder, std::unique_ptr<Browser> browser,
               QWidget* parent = nullptr);
    ~frmBrowser() override;

    QString strSessionPath;
    QString strCurrentURL;

    QString settingsFilePath() const;
    frmOption* options() const { return m_option.get(); }
    SimpleStatusBar* statusBar1() const { return StatusBar1; }
    IntervalTimer* timer1() const { return Timer1; }
    const layout::MainRow& rowLayout() const { return m_row; }

    // Lookup buttons.
    void cmdEn2Ch_Click();
    void cmdEn2En_Click();
    void cmdEn2Th_Click();
    void cmdEn2Jp_Click();
    void cmdChiComputer_Click();
    void cmdEngComputer_Click();

    // Menu commands.
    void mnuQueryString_Click();
    void mnuExit_Click();
    void mnuWebsite_Click();
    void mnuAbout_Click();

    // The status animation.
    void Timer1_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildDesign();
    void buildMenus();
    void applyTabOrder();
    void placeAtDesignPosition();
    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void fitToFrameLater();
    QSize outerSize() const;
    void applyRowLayout();
    void dockStatusBar();
    void lookup(QueryKey key);
    void GoToUrl(const QString& address);
    void openAddress(const QString& address);
    void showRefusal(const QString& text);
    void handleNavigationStarting(const QString& url);
    void handleNavigationRefused(const QString& url, const QString& reason);
    void handleDocumentComplete(const QString& url);

    QWidget* m_client = nullptr; // the client area below the menu bar
    std::unique_ptr<Browser> m_browser;
    std::unique_ptr<frmOption> m_option;
    settings_file::Fingerprint m_settingsSeen; // the settings file as last read or written here
    layout::MainRow m_row;
    QSize m_fittedOuterSize; // the outer size the row was last fitted to
    std::unique_ptr<QAbstractNativeEventFilter> m_frameChanges;
    bool m_frameCheckPending = false;

    IntervalTimer* Timer1 = nullptr;
    QLineEdit* txtWord = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QPushButton*, layout::kLookupButtonCount> m_lookupButtons{};
    QWidget* WebBrowser1 = nullptr;
    SimpleStatusBar* StatusBar1 = nullptr;
};
