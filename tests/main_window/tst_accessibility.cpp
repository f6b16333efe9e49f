// Screen readers announce every text box and check box by the label beside it.
#include "core/canned_templates.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "main_window_fixture.h"
#include "temp_program_folder.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

namespace {

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wordBoxIsNamedByItsLabel();
    void optionFieldsAreNamedByTheirLabels();
    void providerBoxesAreNamedByTheirProviders_data();
    void providerBoxesAreNamedByTheirProviders();
    void selectButtonsNameTheirFields_data();
    void selectButtonsNameTheirFields();
    void statusBarAndPageAreNamed();
};

void AccessibilityTest::wordBoxIsNamedByItsLabel()
{
    MainWindowFixture started;
    QCOMPARE(accessibleName(started.window->findChild<QLineEdit*>(QStringLiteral("txtWord"))),
             QStringLiteral("Word:"));
}

void AccessibilityTest::optionFieldsAreNamedByTheirLabels()
{
    OptionsDialog option;
    const QStringList expected{"Home page:", "Chinese:",        "English:",       "Thesaurus:",
                               "Japanese:",  "Computer (Chi):", "Computer (Eng):"};
    QStringList actual;
    for (const QueryKey key : kQueryKeys)
        actual << accessibleName(option.field(key));
    QCOMPARE(actual, expected);
}

void AccessibilityTest::providerBoxesAreNamedByTheirProviders_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese 1") << QueryKey::Chinese << "Check1"
                               << "Yahoo Dictionary (Hong Kong)";
    QTest::newRow("Chinese 2") << QueryKey::Chinese << "Check2"
                               << "OK88 Dictionary";
    QTest::newRow("Chinese 3") << QueryKey::Chinese << "Check3"
                               << "Yahoo Dictionary (China)";
    QTest::newRow("English 1") << QueryKey::English << "Check1"
                               << "MSN Encarta Dictionary";
    QTest::newRow("English 2") << QueryKey::English << "Check2"
                               << "Merriam-Webster Online Dictionary";
    QTest::newRow("Thesaurus 1") << QueryKey::Thesaurus << "Check1"
                                 << "Thesaurus.com";
    QTest::newRow("Thesaurus 2") << QueryKey::Thesaurus << "Check2"
                                 << "Merriam-Webster Online Dictionary";
    QTest::newRow("Japanese 1") << QueryKey::Japanese << "Check1"
                                << "Online Japanese Dictionary";
    QTest::newRow("ChiComputer 1") << QueryKey::ChiComputer << "Check1"
                                   << "HK Computer Society Database (Big-5)";
    QTest::newRow("ChiComputer 2") << QueryKey::ChiComputer << "Check2"
                                   << "HK Computer Society Database (GB)";
    QTest::newRow("EngComputer 1") << QueryKey::EngComputer << "Check1"
                                   << "FOLDOC Online Dictionary of Computing";
}

void AccessibilityTest::providerBoxesAreNamedByTheirProviders()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, box);
    QFETCH(QString, name);
    SuggestionDialog dialog(key);
    auto* check = dialog.findChild<QCheckBox*>(box);
    QVERIFY(check);
    QCOMPARE(accessibleName(check), name);
    QVERIFY(check->text().isEmpty()); // the design's box itself shows no text
}

void AccessibilityTest::selectButtonsNameTheirFields_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese") << QueryKey::Chinese << "Select Chinese provider";
    QTest::newRow("English") << QueryKey::English << "Select English provider";
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus << "Select Thesaurus provider";
    QTest::newRow("Japanese") << QueryKey::Japanese << "Select Japanese provider";
    QTest::newRow("ChiComputer") << QueryKey::ChiComputer << "Select Computer (Chi) provider";
    QTest::newRow("EngComputer") << QueryKey::EngComputer << "Select Computer (Eng) provider";
}

void AccessibilityTest::selectButtonsNameTheirFields()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, name);
    OptionsDialog option;
    QCOMPARE(accessibleName(option.selectButton(key)), name);
    QCOMPARE(option.selectButton(key)->text(), QStringLiteral("Select")); // the caption stays
}

void AccessibilityTest::statusBarAndPageAreNamed()
{
    MainWindowFixture started;
    QCOMPARE(accessibleName(started.window->findChild<QWidget*>(QStringLiteral("StatusBar1"))),
             QStringLiteral("Status"));
    QCOMPARE(accessibleName(started.window->findChild<QWidget*>(QStringLiteral("WebBrowser1"))),
             QStringLiteral("Dictionary page"));
    // The word box keeps the name its label gives it.
    QCOMPARE(accessibleName(started.window->findChild<QLineEdit*>(QStringLiteral("txtWord"))),
             QStringLiteral("Word:"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
