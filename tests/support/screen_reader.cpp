#include "screen_reader.h"

#include "wait_until.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

QString readerProgram()
{
    // pyatspi is installed for the system's Python, which a Python of the user's may hide.
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFileInfo::exists(system) ? system : QStringLiteral("python3");
}

QStringList readerArguments(const QStringList& arguments)
{
    return QStringList{QStringLiteral(LEXIVO_ATSPI_READER)} + arguments;
}

AccessibleNode nodeFrom(const QJsonObject& json)
{
    AccessibleNode node;
    node.role = json.value(QLatin1String("role")).toString();
    node.name = json.value(QLatin1String("name")).toString();
    node.description = json.value(QLatin1String("description")).toString();
    node.text = json.value(QLatin1String("text")).toString();
    node.error = json.value(QLatin1String("error")).toString();
    for (const QJsonValue state : json.value(QLatin1String("states")).toArray())
        node.states << state.toString();
    for (const QJsonValue child : json.value(QLatin1String("children")).toArray())
        node.children.push_back(nodeFrom(child.toObject()));
    return node;
}

// Runs a shell command line and returns its standard output.
QByteArray outputOf(const QByteArray& command)
{
    QByteArray output;
    if (FILE* pipe = ::popen(command.constData(), "r")) {
        char buffer[512];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, qsizetype(count));
        ::pclose(pipe);
    }
    return output;
}

} // namespace

// Runs before QApplication exists, so plain POSIX calls rather than QProcess.
ScreenReaderSession::ScreenReaderSession()
{
    const QList<QByteArray> started =
        outputOf("dbus-daemon --session --fork --print-address=1 --print-pid=1").split('\n');
    if (started.size() < 2 || started.at(0).isEmpty()) {
        m_failure = QStringLiteral("cannot start a session bus (dbus-daemon)");
        return;
    }
    m_daemonPid = started.at(1).trimmed().toLong();
    qputenv("DBUS_SESSION_BUS_ADDRESS", started.at(0).trimmed());
    // Asking the session bus for org.a11y.Bus starts the accessibility bus launcher.
    for (const char* property : {"IsEnabled", "ScreenReaderEnabled"}) {
        const QByteArray set =
            QByteArrayLiteral("dbus-send --session --print-reply --dest=org.a11y.Bus "
                              "/org/a11y/bus org.freedesktop.DBus.Properties.Set "
                              "string:org.a11y.Status string:") +
            property + " variant:boolean:true >/dev/null 2>&1";
        if (std::system(set.constData()) != 0) {
            m_failure = QStringLiteral("no accessibility bus (install at-spi2-core)");
            return;
        }
    }
    if (std::system((readerProgram() + QStringLiteral(" -c 'import pyatspi' 2>/dev/null"))
                        .toLocal8Bit()
                        .constData()) != 0)
        m_failure =
            QStringLiteral("no pyatspi for %1 (install python3-pyatspi)").arg(readerProgram());
}

ScreenReaderSession::~ScreenReaderSession()
{
    // The launcher and the registry leave when their session bus goes.
    if (m_daemonPid > 0)
        ::kill(pid_t(m_daemonPid), SIGTERM);
}

const AccessibleNode*
AccessibleNode::findIf(const std::function<bool(const AccessibleNode&)>& match) const
{
    if (match(*this))
        return this;
    for (const AccessibleNode& child : children) {
        if (const AccessibleNode* found = child.findIf(match))
            return found;
    }
    return nullptr;
}

const AccessibleNode* AccessibleNode::find(const QString& role, const QString& name) const
{
    return findIf([&](const AccessibleNode& node) {
        return node.role == role && (name.isNull() || node.name == name);
    });
}

const AccessibleNode* AccessibleNode::focused() const
{
    return findIf([](const AccessibleNode& node) { return node.has(QStringLiteral("focused")); });
}

AccessibleNode readAccessibleTree(qint64 pid, int timeoutMs)
{
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.start(readerProgram(), readerArguments({QStringLiteral("tree"), QString::number(pid),
                                                   QString::number(timeoutMs / 1000)}));
    AccessibleNode failed;
    if (!waitUntil([&] { return reader.state() == QProcess::NotRunning; }, timeoutMs + 5000)) {
        reader.kill();
        reader.waitForFinished();
        failed.error = QStringLiteral("the AT-SPI reader did not answer");
        return failed;
    }
    const QJsonDocument json = QJsonDocument::fromJson(reader.readAllStandardOutput());
    if (!json.isObject()) {
        failed.error = QStringLiteral("the AT-SPI reader failed: ") +
                       QString::fromLocal8Bit(reader.readAllStandardError()).right(2000);
        return failed;
    }
    return nodeFrom(json.object());
}

AccessibleEventLog::AccessibleEventLog(const QStringList& types, qint64 pid)
{
    m_reader.start(
        readerProgram(),
        readerArguments(QStringList{QStringLiteral("events"), QString::number(pid)} + types));
    bool ready = false;
    const bool answered = waitUntil(
        [&] {
            if (m_reader.state() == QProcess::NotRunning)
                return true;
            if (!m_reader.canReadLine())
                return false;
            const QJsonObject first = QJsonDocument::fromJson(m_reader.readLine()).object();
            ready = first.value(QLatin1String("ready")).toBool();
            m_failure = first.value(QLatin1String("error")).toString();
            return true;
        },
        30000);
    if (!ready && m_failure.isEmpty())
        m_failure = answered ? QStringLiteral("the AT-SPI reader failed: ") +
                                   QString::fromLocal8Bit(m_reader.readAllStandardError())
                             : QStringLiteral("the AT-SPI reader did not start listening");
}

AccessibleEventLog::~AccessibleEventLog()
{
    m_reader.closeWriteChannel(); // the reader stops at the end of its input
    if (!m_reader.waitForFinished(3000)) {
        m_reader.kill();
        m_reader.waitForFinished();
    }
}

void AccessibleEventLog::readLines()
{
    while (m_reader.canReadLine()) {
        const QJsonObject line = QJsonDocument::fromJson(m_reader.readLine()).object();
        AccessibleEvent event;
        event.type = line.value(QLatin1String("type")).toString();
        event.detail1 = line.value(QLatin1String("detail1")).toInt();
        event.detail2 = line.value(QLatin1String("detail2")).toInt();
        event.data = line.value(QLatin1String("data")).toVariant().toString();
        event.role = line.value(QLatin1String("role")).toString();
        event.name = line.value(QLatin1String("name")).toString();
        m_events.push_back(event);
    }
}

const std::vector<AccessibleEvent>& AccessibleEventLog::events()
{
    readLines();
    return m_events;
}

bool AccessibleEventLog::waitFor(const std::function<bool(const AccessibleEvent&)>& match,
                                 int timeoutMs)
{
    std::size_t checked = 0;
    return waitUntil(
        [&] {
            readLines();
            for (; checked < m_events.size(); ++checked) {
                if (match(m_events[checked]))
                    return true;
            }
            return false;
        },
        timeoutMs);
}
