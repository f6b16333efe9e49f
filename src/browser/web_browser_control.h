#pragma once

#include <QObject>
#include <QString>

class QWidget;

// What the main window uses of its embedded browser, and nothing more: start a navigation, place
// the view, and three events. The program runs with a QtWebEngine implementation; widget tests
// use a fake that records navigations and raises events on request.
class WebBrowserControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebBrowserControl() override;

    // The view to place in the window; the control keeps ownership until it is reparented.
    virtual QWidget* view() = 0;

    // Starts loading the address and returns at once. The address is completed as a browser's
    // address bar does (a missing scheme is http://); an empty address, and one that
    // address_rule refuses, do nothing.
    virtual void Navigate(const QString& address) = 0;

Q_SIGNALS:
    // Before each navigation of the view or one of its frames, also those started inside the
    // page. Setting cancel stops that navigation, and it then has no DocumentComplete.
    void BeforeNavigate2(const QString& url, bool& cancel);
    // The page asks for a new window; with cancel set, none opens.
    void NewWindow2(bool& cancel);
    // A document, the top page's or a frame's, has finished loading, successfully or not; or a
    // navigation of the top page ended without one (an empty answer, a file, a stop).
    void DocumentComplete(const QString& url);
};
