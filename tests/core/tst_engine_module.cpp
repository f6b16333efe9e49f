// Where the program looks for its engine module, and what it says without one.

#include "core/engine_module.h"

#include <QTest>

class EngineModuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void candidatePaths_data();
    void candidatePaths();
    void notFoundReason_data();
    void notFoundReason();
    void textsNameTheReasonAndTheAddress();
};

void EngineModuleTest::candidatePaths_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("moduleFolder");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("portable folder") << "/home/ann/lexivo"
                                     << "." << QStringList{"/home/ann/lexivo/lexivo-webengine.so"};
    QTest::newRow("system layout")
        << "/usr/bin"
        << "../lib/x86_64-linux-gnu/lexivo"
        << QStringList{"/usr/lib/x86_64-linux-gnu/lexivo/lexivo-webengine.so",
                       "/usr/bin/lexivo-webengine.so"};
    QTest::newRow("another prefix") << "/opt/lexivo/bin"
                                    << "../lib/lexivo"
                                    << QStringList{"/opt/lexivo/lib/lexivo/lexivo-webengine.so",
                                                   "/opt/lexivo/bin/lexivo-webengine.so"};
    QTest::newRow("trailing separator")
        << "/home/ann/lexivo/"
        << "." << QStringList{"/home/ann/lexivo/lexivo-webengine.so"};
    QTest::newRow("folder reached by a descriptor")
        << "/proc/self/fd/7"
        << "." << QStringList{"/proc/self/fd/7/lexivo-webengine.so"};
    QTest::newRow("relative program folder") << "build"
                                             << "." << QStringList{"build/lexivo-webengine.so"};
    QTest::newRow("unknown program folder") << ""
                                            << "." << QStringList{};
}

void EngineModuleTest::candidatePaths()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, moduleFolder);
    QFETCH(QStringList, paths);
    QCOMPARE(engine_module::candidatePaths(programFolder, moduleFolder,
                                           QStringLiteral("lexivo-webengine.so")),
             paths);
}

void EngineModuleTest::notFoundReason_data()
{
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("reason");

    QTest::newRow("one place") << QStringList{"/home/ann/lexivo/lexivo-webengine.so"}
                               << "lexivo-webengine.so is missing (looked for "
                                  "/home/ann/lexivo/lexivo-webengine.so)";
    QTest::newRow("two places")
        << QStringList{"/usr/lib/lexivo/lexivo-webengine.so", "/usr/bin/lexivo-webengine.so"}
        << "lexivo-webengine.so is missing (looked for /usr/lib/lexivo/lexivo-webengine.so, "
           "/usr/bin/lexivo-webengine.so)";
    QTest::newRow("no place") << QStringList{}
                              << "lexivo-webengine.so cannot be looked for: the program's "
                                 "folder is unknown";
}

void EngineModuleTest::notFoundReason()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, reason);
    QCOMPARE(engine_module::notFoundReason(QStringLiteral("lexivo-webengine.so"), candidates),
             reason);
}

void EngineModuleTest::textsNameTheReasonAndTheAddress()
{
    QCOMPARE(engine_module::unavailableStatusText(QStringLiteral("it is gone")),
             QStringLiteral("The web browser could not be started: it is gone"));
    QCOMPARE(engine_module::unavailablePageText(QStringLiteral("it is gone")),
             QStringLiteral("The web browser could not be started, so dictionary pages cannot be "
                            "shown. The menus still work.\n\nit is gone"));
    QCOMPARE(engine_module::refusalText(QStringLiteral("http://a.test/?q=%25")),
             QStringLiteral("Cannot open http://a.test/?q=%25: the web browser could not be "
                            "started"));
}

QTEST_APPLESS_MAIN(EngineModuleTest)
#include "tst_engine_module.moc"
