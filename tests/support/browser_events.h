#pragma once

#include "browser/browser.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The browser's signals written as text, so a test can compare the order of events with a
// literal list: "before <url>", "refused <url>", "complete <url>".
namespace browser_events {

inline QString before(const QString& url)
{
    return QStringLiteral("before ") + url;
}
inline QString refused(const QString& url)
{
    return QStringLiteral("refused ") + url;
}
inline QString complete(const QString& url)
{
    return QStringLiteral("complete ") + url;
}

// Records a browser's navigation signals as text, in the order raised.
class Log : public QObject
{
public:
    explicit Log(Browser* browser)
    {
        connect(browser, &Browser::navigationStarting, this,
                [this](const QString& url) { events.append(before(url)); });
        connect(browser, &Browser::navigationRefused, this,
                [this](const QString& url, const QString&) { events.append(refused(url)); });
        connect(browser, &Browser::documentComplete, this,
                [this](const QString& url) { events.append(complete(url)); });
    }

    QStringList events;
};

} // namespace browser_events
