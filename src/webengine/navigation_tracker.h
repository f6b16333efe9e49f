#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// The one record of what a page is loading: the navigation of the top page under way (its URL
// and, for a lookup, its dictionary's caption), the frames' navigations not yet loaded, and the
// mailto: (or the like) load already refused. The page tells it what it decided about each
// navigation it was asked about; the engine's load signals tell it the rest. It reports every
// navigation once, as it starts or is refused, and its end once; the browser, its keys and the
// renderer watchdog ask it whether the top page is loading. A child of its page.
//
// How the engine announces a navigation of the top page: the page's acceptNavigationRequest
// (network and data: URLs, never an about: page), then loadingChanged(LoadStartedStatus) (about:
// pages too, but only when the view was idle: a navigation that replaces a load still in
// progress starts no new load). A load start is therefore reported only when its URL was not just
// reported. An about: page is shown by the time its load starts, too late to refuse it: one the
// program asks for is reported before loading.
//
// How a navigation ends. A document, the top page's or a frame's, ends it when it has loaded, or
// failed (the engine shows its error page, then the program shows its own). A navigation of the
// top page that brings no document stops instead: an empty (204) answer, a file to save, a
// navigation the page or the engine aborts. Its stop ends it, but only while it is the top
// page's latest navigation: the one it gave way to also stops the old load, after being reported
// itself. A frame's navigation to a file ends with the download; one answered with an empty
// response shows no sign at all, and ends only with the next document.
class NavigationTracker : public QObject
{
    Q_OBJECT
public:
    explicit NavigationTracker(QWebEnginePage* page);

    // The program asks the page to load url, an address it has classified as one to open; it is
    // under way from now on. lookupCaption names the dictionary of a lookup (empty for any other
    // navigation); the next navigation of the top page takes it. An about: page is reported at
    // once.
    void programNavigates(const QUrl& url, const QString& lookupCaption);
    // Whether url is the one the program has just asked for, and needs no second look.
    bool isProgramNavigation(const QUrl& url) const { return !url.isEmpty() && url == m_program; }
    // Whether url is a load of the top page that was reported refused when it started (a link
    // to mailto:, which the engine then asks about too); true once.
    bool takeRefusedLoad(const QUrl& url);

    // The user stops what the top page loads (Escape). The engine can stop only a navigation it
    // has asked the page about: the program's navigation that it has not yet asked about ends
    // at once, and is refused when it is asked. While nothing loads, the page was given the
    // key, and a navigation of the top page it starts within kLateStopMs is refused: the user's
    // click or key just before set it off, and the engine had not yet heard of it.
    void stopRequested();
    // Whether a navigation of the top page to url is one the user stopped before the engine
    // asked about it; true once.
    bool takeStopped(const QUrl& url);
    static constexpr int kLateStopMs = 500;

    // What the page decided about a navigation it was asked about.
    void startNavigation(const QUrl& url, bool isMainFrame);
    void refuseNavigation(const QUrl& url, bool isMainFrame, const QString& reason);
    void continueRedirect(const QUrl& url, bool isMainFrame);
    // A redirect to mailto: and the like: its navigation ends there.
    void endAtRedirect(const QUrl& url, bool isMainFrame);

    // What the engine reports besides its load signals: a frame has loaded its document, or a
    // response was a file to save (refused, as every download).
    void frameLoaded(const QUrl& url);
    void downloadRefused(const QUrl& url);

    // Whether a navigation of the top page is under way.
    bool isLoading() const { return !m_mainUrl.isEmpty(); }
    // The caption of the top page's latest navigation if a lookup started it, or empty.
    QString lookupCaption() const { return m_lookupCaption; }

Q_SIGNALS:
    void started(const QUrl& url, bool isMainFrame);
    void refused(const QUrl& url, const QString& reason);
    void ended(const QUrl& url);
    void loadingChanged(bool loading);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    // A navigation of the top page starts: it takes the program's caption, and its frames go.
    void beginMainNavigation(const QUrl& url);
    void setMainUrl(const QUrl& url);
    // Ends the top page's latest navigation, which brought no document, if it is url's.
    void endMainNavigation(const QUrl& url);

    QUrl m_mainUrl;              // the top page's navigation under way, until it ends
    QString m_lookupCaption;     // of the top page's latest navigation
    QUrl m_program;              // the program's latest navigation, until the page takes it
    QString m_programCaption;    // its caption
    QUrl m_reportedUrl;          // the top page's navigation reported before its load started
    QUrl m_refusedLoad;          // a mailto: (or the like) load, reported when it started
    QList<QUrl> m_pendingFrames; // frames' navigations, until their documents load
    QUrl m_stoppedProgramUrl;    // the program's navigation the user stopped before it started
    QDeadlineTimer m_lateStop;   // until when the page's next navigation is stopped
};
