// Screen readers announce every text box and check box by the label beside it.
#include "core/canned_templates.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
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
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    QCOMPARE(accessibleName(window->findChild<QLineEdit*>(QStringLiteral("txtWord"))),
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
    QTest::newRow("Chinese") << QueryKey::Chinese;
    QTest::newRow("English") << QueryKey::English;
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus;
    QTest::newRow("Japanese") << QueryKey::Japanese;
    QTest::newRow("ChiComputer") << QueryKey::ChiComputer;
    QTest::newRow("EngComputer") << QueryKey::EngComputer;
}

void AccessibilityTest::providerBoxesAreNamedByTheirProviders()
{
    QFETCH(QueryKey, key);
    SuggestionDialog dialog(key);
    for (const canned_templates::Provider& provider : canned_templates::providersFor(key)) {
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("Check%1").arg(provider.checkBox));
        QVERIFY(box);
        QCOMPARE(accessibleName(box), QString::fromLatin1(provider.name));
        QVERIFY(box->text().isEmpty()); // the design's box itself shows no text
    }
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
    TempProgramFolder folder;
    FakeBrowser* browser = nullptr;
    auto window = folder.start(&browser);
    QCOMPARE(accessibleName(window->findChild<QWidget*>(QStringLiteral("StatusBar1"))),
             QStringLiteral("Status"));
    QCOMPARE(accessibleName(window->findChild<QWidget*>(QStringLiteral("WebBrowser1"))),
             QStringLiteral("Dictionary page"));
    // The word box keeps the name its label gives it.
    QCOMPARE(accessibleName(window->findChild<QLineEdit*>(QStringLiteral("txtWord"))),
             QStringLiteral("Word:"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
