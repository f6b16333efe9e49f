// bench_floor: the floor for showing a window with Qt Widgets alone. A QMainWindow of the main
// window's size with what its first paint holds: a menu bar with two menus, a word box, six
// push buttons, an empty area where the browser goes, and a status bar; no web engine. Built
// twice: bench_floor, and bench_floor_webengine, the same code linked against the engine's
// libraries without using them (what loading them alone costs).
//
//   bench_floor [--size <width>x<height>]

#include "bench_probe.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QWindow>

namespace {

using bench_probe::ExposeWatcher;
using bench_probe::mark;
using bench_probe::markAt;
using bench_probe::nowNs;

// Before main(), as in the other bench programs: the executable and its libraries are loaded.
[[maybe_unused]] const bool kLoadedMark = (markAt("loaded", nowNs()), true);

// The main window's row, in pixels at 96 dpi: the word box, then six buttons.
void buildClient(QWidget* client)
{
    auto* word = new QLineEdit(client);
    word->setGeometry(65, 16, 200, 33);
    static const char* const captions[] = {"Chinese",  "English",   "Thesaurus",
                                           "Japanese", "Chi Comp.", "Eng Comp."};
    int left = 272;
    for (const char* caption : captions) {
        auto* button = new QPushButton(QLatin1String(caption), client);
        button->setGeometry(left, 16, 90, 33);
        left += 96;
    }
    // Where the browser would be: an empty widget of its size.
    auto* page = new QWidget(client);
    page->setGeometry(8, 64, 861, 600);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Lexivo Bench Floor"));
    QApplication app(argc, argv);
    mark("app");

    QSize size(877, 711);
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--size")) {
            const QStringList parts = args[i + 1].split(QLatin1Char('x'));
            if (parts.size() == 2)
                size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }

    QMainWindow window;
    QMenu* option = window.menuBar()->addMenu(QStringLiteral("Option"));
    option->addAction(QStringLiteral("Online Dictionary Query String"));
    option->addSeparator();
    option->addAction(QStringLiteral("Exit"));
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("Website"));
    help->addSeparator();
    help->addAction(QStringLiteral("About"));
    auto* client = new QWidget(&window);
    buildClient(client);
    window.setCentralWidget(client);
    window.statusBar()->showMessage(QStringLiteral(" "));
    window.resize(size);

    window.show();
    mark("shown");
    ExposeWatcher exposeWatcher(window);

    auto quit = [&window] {
        window.close();
        QCoreApplication::quit();
    };
    bench_probe::CommandReader commands(
        [&](const QByteArray& line) {
            if (line == "state")
                mark("state", QStringLiteral("timer-ticking=0 status-empty=1"));
            else if (line == "quit")
                quit();
        },
        quit, &window);

    return app.exec();
}
