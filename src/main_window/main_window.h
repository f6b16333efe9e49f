#pragma once

// The main window. How a lookup flows through it:
//
//   m_wordEdit ──────┐
//                    ├─> url_template::lookupAddress ─> goToUrl ─> "goto <address>" in status
//   OptionsDialog ───┘   (trim, %firstchar, %word)        │
//   (template fields)                                     v
//                                       address_rule::classify ─> refused: "Cannot open …"
//                                                         │ allowed
//                                                         v
//                                                 Browser::navigate
//                                                         │
//     navigationStarting ─> "Going to <url>..." + m_dotTimer on (1 s) ─> growDots each tick
//     navigationRefused ─> "Cannot open …" (the browser refused a page's link to mailto: …)
//     documentComplete ─> m_dotTimer off, status text cleared
//     lookUpRequested ─> the word in m_wordEdit, then that button's lookup
//     (a lookup's navigate names its dictionary, for the page of an unreachable site)
//     (no new window ever opens: the browser refuses them itself)
//
//   typing in m_wordEdit ─> lookup_origins::ofLookups ─> Browser::preconnect (at most every 10 s:
//   the six templates' servers readied before the click; nothing of the word goes out)
//
// The settings live in OptionsDialog's seven text boxes for the whole run; they are read from
// <settings folder>/session/lexivo.xml at start and written only when the user saves them; the
// settings folder is the program's own or the user's (settings_location).

#include "core/form_layout.h"
#include "core/query_string_set.h"
#include "core/settings_session.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <memory>

class IntervalTimer;
class QLabel;
class QLineEdit;
class QPushButton;
class SimpleStatusBar;
class WindowFrameWatcher;
class Browser;
class OptionsDialog;

// The main window (design name frmBrowser; docs/design-names.md maps every design name). Each
// control keeps its design name as its objectName.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // programFolder holds the session folder: the program's own folder, or the per-user folder
    // when that cannot hold it (settings_location::settingsHome). The constructor builds the
    // window and then runs loadSettingsAndOpenHomePage().
    MainWindow(const QString& programFolder, std::unique_ptr<Browser> browser,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Read access for tests and tools.
    QString sessionFolder() const { return m_settings.folder(); }
    QString currentUrl() const { return m_currentUrl; }
    Browser* browser() const { return m_browser.get(); }
    QString settingsFilePath() const { return m_settings.filePath(); }
    OptionsDialog* options() const { return m_optionsDialog.get(); }
    SimpleStatusBar* statusBarWidget() const { return m_statusBar; }
    IntervalTimer* dotTimer() const { return m_dotTimer; }
    const layout::MainRow& rowLayout() const { return m_row; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildDesign();
    void buildMenus();
    void applyReadingOrder();
    void placeAtDesignPosition();
    void loadSettingsAndOpenHomePage();
    void releaseOptionsDialog();
    void fitToWindow();
    void applyRowLayout();

    // Commands.
    void lookUp(QueryKey key);
    void lookUpFromPage(QueryKey key, const QString& word);
    void preconnectLookupServers();
    void goToUrl(const QString& address, const QString& lookupCaption = QString());
    void editQueryStrings();
    void openWebsite();
    void showAbout();
    void exitProgram();

    // The browser's signals and the status bar.
    void openAddress(const QString& address, const QString& lookupCaption = QString());
    void showRefusal(const QString& text);
    void handleNavigationStarting(const QString& url);
    void handleNavigationRefused(const QString& url, const QString& reason);
    void handleDocumentComplete(const QString& url);
    void growDots();

    SettingsSession m_settings;  // the session folder and its settings file
    QString m_currentUrl;        // the address most recently handed to the browser
    QWidget* m_client = nullptr; // the client area below the menu bar
    std::unique_ptr<Browser> m_browser;
    std::unique_ptr<OptionsDialog> m_optionsDialog;
    layout::MainRow m_row;
    QSize m_fittedOuterSize; // the outer size the row was last fitted to
    WindowFrameWatcher* m_frameWatcher = nullptr;

    QElapsedTimer m_sincePreconnect; // invalid until the user first types a word
    IntervalTimer* m_dotTimer = nullptr;
    QLineEdit* m_wordEdit = nullptr;
    QLabel* m_wordLabel = nullptr;
    std::array<QPushButton*, layout::kLookupButtonCount> m_lookupButtons{};
    QWidget* m_browserView = nullptr;
    SimpleStatusBar* m_statusBar = nullptr;
};
