#include "page_driver.h"

#include "wait_until.h"

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

namespace page_driver {

bool waitUntil(const std::function<bool()>& done, int timeout)
{
    return ::waitUntil(done, timeout);
}

QByteArray linkPage(const QByteArray& href, const QByteArray& target)
{
    return "<!DOCTYPE html><html><body style='margin:0'><a id='x' href='" + href + "' target='" +
           target +
           "' style='position:absolute; left:0; top:0; width:300px; height:100px'>link</a>"
           "<script>document.addEventListener('mousemove', function() { window.mouseSeen = "
           "true; if (parent !== window) parent.mouseSeen = true; });</script></body></html>";
}

QVariant evaluate(QWebEnginePage* page, const QString& script)
{
    // Shared: the answer may come after a time-out, once this call has returned.
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    if (!waitUntil([&] { return result->has_value(); }, kTimeout))
        return {};
    return **result;
}

QString text(QWebEnginePage* page)
{
    auto result = std::make_shared<std::optional<QString>>();
    page->toPlainText([result](const QString& value) { *result = value; });
    waitUntil([&] { return result->has_value(); }, kTimeout);
    return result->value_or(QString());
}

bool click(QWebEngineView* view, QPoint at)
{
    QWidget* content = view->focusProxy();
    if (!content)
        return false;
    const QPoint beside = at + QPoint(1, 1);
    QPoint to = at;
    const bool seen = waitUntil(
        [&] {
            to = to == at ? beside : at;
            QTest::mouseMove(content, to);
            return evaluate(view->page(), QStringLiteral("window.mouseSeen === true")).toBool();
        },
        kTimeout);
    if (seen)
        QTest::mouseClick(content, Qt::LeftButton, Qt::NoModifier, to);
    return seen;
}

void prepareProcess(const QByteArray& extraFlags)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " \"--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1, EXCLUDE localhost\" ";
    flags += extraFlags;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

} // namespace page_driver
