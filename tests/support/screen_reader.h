#pragma once

// What a screen reader reads of a program: its accessibility tree and its events over AT-SPI,
// read by a process of its own (atspi_reader.py, with pyatspi) while this one keeps answering.
// Needs an X11 display (the AT-SPI bridge is part of Qt's xcb platform), dbus-daemon,
// at-spi2-core and python3-pyatspi.
//
//   int main(int argc, char** argv)
//   {
//       ScreenReaderSession session; // before the application: Qt asks the bus at start-up
//       QApplication app(argc, argv);
//       ...
//   }
//   const AccessibleNode tree = readAccessibleTree();
//   QVERIFY(tree.find("push button", "Chinese"));

#include <QCoreApplication>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <vector>

// A private session bus with the accessibility bus on it, reporting that a screen reader runs
// (org.a11y.Status IsEnabled and ScreenReaderEnabled), as on a desktop where one does. The
// accessibility bus launcher and registry start on demand, and end with the bus.
class ScreenReaderSession
{
public:
    ScreenReaderSession();
    ~ScreenReaderSession();
    ScreenReaderSession(const ScreenReaderSession&) = delete;
    ScreenReaderSession& operator=(const ScreenReaderSession&) = delete;

    // Why there is no session (empty when there is one): tests fail with it.
    QString failure() const { return m_failure; }

private:
    long m_daemonPid = 0;
    QString m_failure;
};

// One accessible object as a screen reader sees it.
struct AccessibleNode
{
    QString role; // AT-SPI role name: "push button", "text", "menu bar", "document web"
    QString name; // what is read as its name
    QString description;
    QString text;       // the content of an object with text, its first 200 characters
    QStringList states; // "focused", "focusable", "showing", "checked", ...
    std::vector<AccessibleNode> children;
    QString error; // why the tree could not be read (then nothing else is set)

    bool has(const QString& state) const { return states.contains(state); }
    // Depth first, this node included: the first node with the role and, when given, the name.
    const AccessibleNode* find(const QString& role, const QString& name = QString()) const;
    const AccessibleNode* findIf(const std::function<bool(const AccessibleNode&)>& match) const;
    // The node that has the focus, if any.
    const AccessibleNode* focused() const;
};

// Reads the accessibility tree of a process (by default this one) from the bus, processing
// this process's events while it waits, so that it can answer.
AccessibleNode readAccessibleTree(qint64 pid = QCoreApplication::applicationPid(),
                                  int timeoutMs = 30000);

struct AccessibleEvent
{
    QString type; // "object:state-changed:focused", "object:text-changed:insert", ...
    int detail1 = 0;
    int detail2 = 0;
    QString data; // the inserted or removed text, an announcement's text
    QString role; // of the object that raised it
    QString name;
};

// Records the events of the given types that a process raises, from construction on, as a
// screen reader receives them.
class AccessibleEventLog
{
public:
    explicit AccessibleEventLog(const QStringList& types,
                                qint64 pid = QCoreApplication::applicationPid());
    ~AccessibleEventLog();

    // Empty once listening; otherwise why not.
    QString failure() const { return m_failure; }
    const std::vector<AccessibleEvent>& events();
    // Waits, processing events, until an event matches; false after the timeout.
    bool waitFor(const std::function<bool(const AccessibleEvent&)>& match, int timeoutMs = 10000);

private:
    void readLines();

    QProcess m_reader;
    QString m_failure;
    std::vector<AccessibleEvent> m_events;
};
