// bench_baseline: the floor any program on this engine can reach. A QMainWindow holding only a
// QWebEngineView, navigating to the home page given on the command line; it reports the same
// moments as lexivo_bench and, on command, navigates to a lookup address.
//
//   bench_baseline --home <url> [--size <width>x<height>]

#include "bench_probe.h"

#include <QApplication>
#include <QMainWindow>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>

namespace {

using bench_probe::ExposeWatcher;
using bench_probe::mark;
using bench_probe::markAt;
using bench_probe::nowNs;

// Before main(), as in lexivo_bench: the executable and its libraries are loaded by now.
[[maybe_unused]] const bool kLoadedMark = (markAt("loaded", nowNs()), true);

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Bench Baseline"));
    QApplication app(argc, argv);
    mark("app");

    QString home = QStringLiteral("about:blank");
    QSize size(877, 721);
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--home")) {
            home = args[i + 1];
        } else if (args[i] == QLatin1String("--size")) {
            const QStringList parts = args[i + 1].split(QLatin1Char('x'));
            if (parts.size() == 2)
                size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }

    QMainWindow window;
    auto* view = new QWebEngineView(&window);
    window.setCentralWidget(view);
    window.resize(size);

    enum class Stage { Home, Idle, Lookup } stage = Stage::Home;
    QObject::connect(view, &QWebEngineView::loadFinished, &window, [&stage](bool ok) {
        const long long t = nowNs();
        const QString detail = QStringLiteral("ok=%1").arg(ok);
        if (stage == Stage::Home)
            markAt("home-complete", t, detail);
        else if (stage == Stage::Lookup)
            markAt("lookup-complete", t, detail);
        else
            markAt("complete", t, detail);
        stage = Stage::Idle;
    });

    QObject::connect(view, &QWebEngineView::loadStarted, &window, [&stage] {
        if (stage == Stage::Lookup)
            mark("lookup-navigate");
    });

    // As the program does: the home page is requested while the window is built, then shown.
    view->load(QUrl::fromUserInput(home));
    mark("window-built");
    window.show();
    mark("shown");
    ExposeWatcher exposeWatcher(window);

    auto quit = [&window] {
        window.close();
        QCoreApplication::quit();
    };
    bench_probe::CommandReader commands(
        [&](const QByteArray& line) {
            const QList<QByteArray> words = line.split(' ');
            if (words.value(0) == "lookup" && words.size() >= 2) {
                stage = Stage::Lookup;
                const long long start = nowNs();
                view->load(QUrl::fromUserInput(QString::fromUtf8(words.last())));
                const long long issued = nowNs();
                markAt("lookup-start", start);
                markAt("lookup-clicked", issued);
            } else if (words.value(0) == "state") {
                mark("state", QStringLiteral("timer-ticking=0 status-empty=1"));
            } else if (words.value(0) == "quit") {
                quit();
            }
        },
        quit, &window);

    return app.exec();
}
