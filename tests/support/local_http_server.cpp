#include "local_http_server.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 401:
        return "Unauthorized";
    case 407:
        return "Proxy Authentication Required";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

bool LocalHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QString LocalHttpServer::url(const QString& target) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(target);
}

void LocalHttpServer::setResponse(const QByteArray& target, const Response& response)
{
    m_responses.insert(target, response);
}

void LocalHttpServer::setPage(const QByteArray& target, const QByteArray& html, int delayMs)
{
    Response response;
    response.body = html;
    response.delayMs = delayMs;
    setResponse(target, response);
}

void LocalHttpServer::setRedirect(const QByteArray& target, const QByteArray& location)
{
    Response response;
    response.status = 302;
    response.headers.append({"Location", location});
    setResponse(target, response);
}

void LocalHttpServer::setNoContent(const QByteArray& target)
{
    Response response;
    response.status = 204;
    setResponse(target, response);
}

QByteArrayList LocalHttpServer::pageRequests() const
{
    QByteArrayList pages = m_requests;
    pages.removeAll("/favicon.ico");
    return pages;
}

QByteArray LocalHttpServer::defaultPage(const QByteArray& target)
{
    const QByteArray text = QString::fromUtf8(target).toHtmlEscaped().toUtf8();
    return "<!DOCTYPE html><html><head><title>" + text + "</title></head><body><p>" + text +
           "</p></body></html>";
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The browser may open connections it never uses. One request per connection: anything
        // after its header (a form's body) is ignored.
        struct Pending
        {
            QByteArray header;
            bool answered = false;
        };
        auto pending = std::make_shared<Pending>();
        const int connection = ++m_connections;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending, connection] {
            const QByteArray data = socket->readAll();
            if (pending->answered)
                return;
            // The request may arrive in pieces.
            pending->header += data;
            if (!pending->header.contains("\r\n\r\n"))
                return;
            pending->answered = true;
            // Request line: method SP request-target SP HTTP-version
            const QByteArray requestLine = pending->header.left(pending->header.indexOf("\r\n"));
            const QByteArray target = requestLine.split(' ').value(1);
            const QByteArray header = pending->header.left(pending->header.indexOf("\r\n\r\n"));
            m_requests.append(target);
            m_headers.append(header.split('\n').mid(1));
            m_requestConnections.append(connection);
            Q_EMIT requestReceived(target);
            respond(socket, target);
        });
    }
}

void LocalHttpServer::respond(QTcpSocket* socket, const QByteArray& target)
{
    const auto found = m_responses.constFind(target);
    Response response;
    if (found != m_responses.constEnd())
        response = *found;
    else
        response.body = defaultPage(target);

    const auto write = [socket, response] {
        QByteArray text = "HTTP/1.1 " + QByteArray::number(response.status) + " " +
                          reasonPhrase(response.status) + "\r\n";
        if (response.status != 204) { // a response without content has neither
            text += "Content-Type: " + response.contentType + "\r\n";
            text += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        }
        text += "Cache-Control: " + response.cacheControl + "\r\n";
        text += "Connection: close\r\n";
        for (const auto& [name, value] : response.headers)
            text += name + ": " + value + "\r\n";
        text += "\r\n";
        const auto writeBody = [socket, body = response.body] {
            socket->write(body);
            socket->disconnectFromHost();
        };
        socket->write(text);
        if (response.bodyDelayMs > 0) {
            socket->flush();
            QTimer::singleShot(response.bodyDelayMs, socket, writeBody);
        } else {
            writeBody();
        }
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, write);
    else
        write();
}
