#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <utility>

// A minimal HTTP/1.1 server on 127.0.0.1 for pages the browser tests load. It answers every
// request, one per connection, from a table of responses by request-target (path and query,
// exactly as sent); anything else gets a small HTML page naming the target. Every target
// received is recorded, at once, even when its response is delayed.
class LocalHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html; charset=utf-8";
        QList<std::pair<QByteArray, QByteArray>> headers;
        int delayMs = 0;     // before the response is written
        int bodyDelayMs = 0; // between the response's header and its body
        QByteArray cacheControl = "no-store";
    };

    explicit LocalHttpServer(QObject* parent = nullptr);

    // Listens on a free port of 127.0.0.1.
    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:<port>" followed by target, which starts with "/".
    QString url(const QString& target) const;

    void setResponse(const QByteArray& target, const Response& response);
    void setPage(const QByteArray& target, const QByteArray& html, int delayMs = 0);
    void setRedirect(const QByteArray& target, const QByteArray& location);
    // An empty "204 No Content" answer: the browser keeps the page it shows.
    void setNoContent(const QByteArray& target);

    // The request-targets received, oldest first, and how often one was received.
    QByteArrayList requests() const { return m_requests; }
    // The same without "/favicon.ico", which the browser asks for on its own after a page.
    QByteArrayList pageRequests() const;
    int requestCount(const QByteArray& target) const { return m_requests.count(target); }
    // The header lines of each request (request line excluded), in the order of requests().
    QList<QByteArrayList> requestHeaders() const { return m_headers; }
    // The connections accepted so far, and the one (counted from 1) each request came on, in the
    // order of requests(): a browser may open a connection before it has anything to ask.
    int connectionCount() const { return m_connections; }
    QList<int> requestConnections() const { return m_requestConnections; }
    void clearRequests()
    {
        m_requests.clear();
        m_headers.clear();
        m_requestConnections.clear();
    }

    static QByteArray defaultPage(const QByteArray& target);

Q_SIGNALS:
    void requestReceived(const QByteArray& target);

private:
    void onNewConnection();
    void respond(QTcpSocket* socket, const QByteArray& target);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    QByteArrayList m_requests;
    QList<QByteArrayList> m_headers;
    QList<int> m_requestConnections;
    int m_connections = 0;
};
