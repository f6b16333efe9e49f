// The dialogs as designed: the options dialog, the six provider suggestion dialogs with their
// rows, and the About box; sizes and places in twips, captions, fonts and focus order.
#include "dialog_test_helpers.h"
#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

Q_DECLARE_METATYPE(QueryKey)

class DialogDesignsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { LEXIVO_REQUIRE_96_DPI(); }

    void optionDesign();
    void suggestionDesign_data();
    void suggestionDesign();
    void suggestionRows_data();
    void suggestionRows();
    void aboutBox();
};

void DialogDesignsTest::optionDesign()
{
    OptionsDialog option;
    QCOMPARE(option.windowTitle(), QStringLiteral("Online Dictionary Query String"));
    QCOMPARE(option.size(), QSize(pixels(11955), pixels(5265)));
    QCOMPARE(option.selectButton(QueryKey::Home), nullptr);
    QCOMPARE(option.field(QueryKey::Home)->geometry(),
             QRect(pixels(2040), pixels(360), pixels(9735), pixels(420)));
    QCOMPARE(option.field(QueryKey::Home)->font().pointSizeF(), 12.0);
    QCOMPARE(childNamed<QLabel>(&option, "Label6")->text(), QStringLiteral("Computer (Eng):"));
    QCOMPARE(childNamed<QLabel>(&option, "Label6")->buddy(), option.field(QueryKey::EngComputer));
    QCOMPARE(childNamed<QPushButton>(&option, "cmdSave")->font().pointSizeF(), 8.25);
    QCOMPARE(option.selectButton(QueryKey::EngComputer)->geometry(),
             QRect(pixels(11040), pixels(3960), pixels(735), pixels(420)));
    QCOMPARE(focusCycle(option.field(QueryKey::Chinese), 15),
             (QStringList{"txtChinese", "cmdSave", "txtThesaurus", "txtJapanese", "txtChiComputer",
                          "txtEngComputer", "cmdCancel", "txtEnglish", "cmdChinese", "cmdEnglish",
                          "cmdThesaurus", "cmdJapanese", "cmdChiComputer", "cmdEngComputer",
                          "txtHome"}));
    QCOMPARE(option.field(QueryKey::Home)->maxLength(), std::numeric_limits<int>::max());
}

void DialogDesignsTest::suggestionDesign_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("boxes");
    QTest::newRow("Chinese") << QueryKey::Chinese << "frmChinese" << 2295 << 3;
    QTest::newRow("English") << QueryKey::English << "frmEnglish" << 1725 << 2;
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus << "frmThesaurus" << 1725 << 2;
    QTest::newRow("Japanese") << QueryKey::Japanese << "frmJapanese" << 1725 << 1;
    QTest::newRow("ChiComputer") << QueryKey::ChiComputer << "frmChiComputer" << 1725 << 2;
    QTest::newRow("EngComputer") << QueryKey::EngComputer << "frmEngComputer" << 1725 << 1;
}

void DialogDesignsTest::suggestionRows_data()
{
    // Check box and label of each provider; top in twips (the design's rows are 480 apart).
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<int>("top");
    QTest::newRow("Chinese 1") << QueryKey::Chinese << 1 << "Yahoo Dictionary (Hong Kong)" << 240;
    QTest::newRow("Chinese 2") << QueryKey::Chinese << 2 << "OK88 Dictionary" << 1200;
    QTest::newRow("Chinese 3") << QueryKey::Chinese << 3 << "Yahoo Dictionary (China)" << 720;
    QTest::newRow("English 1") << QueryKey::English << 1 << "MSN Encarta Dictionary" << 240;
    QTest::newRow("English 2") << QueryKey::English << 2 << "Merriam-Webster Online Dictionary"
                               << 720;
    QTest::newRow("Thesaurus 1") << QueryKey::Thesaurus << 1 << "Thesaurus.com" << 240;
    QTest::newRow("Thesaurus 2") << QueryKey::Thesaurus << 2 << "Merriam-Webster Online Dictionary"
                                 << 720;
    QTest::newRow("Japanese 1") << QueryKey::Japanese << 1 << "Online Japanese Dictionary" << 240;
    QTest::newRow("ChiComputer 1")
        << QueryKey::ChiComputer << 1 << "HK Computer Society Database (Big-5)" << 240;
    QTest::newRow("ChiComputer 2")
        << QueryKey::ChiComputer << 2 << "HK Computer Society Database (GB)" << 720;
    QTest::newRow("EngComputer 1")
        << QueryKey::EngComputer << 1 << "FOLDOC Online Dictionary of Computing" << 240;
}

void DialogDesignsTest::suggestionRows()
{
    QFETCH(QueryKey, key);
    QFETCH(int, box);
    QFETCH(QString, provider);
    QFETCH(int, top);
    SuggestionDialog dialog(key);
    const QByteArray number = QByteArray::number(box);
    auto* check = childNamed<QCheckBox>(&dialog, ("Check" + number).constData());
    auto* label = childNamed<QLabel>(&dialog, ("Label" + number).constData());
    QVERIFY(check && label);
    QVERIFY(!check->isChecked());
    QVERIFY(check->text().isEmpty());
    QCOMPARE(label->text(), provider);
    QCOMPARE(label->buddy(), check);
    QCOMPARE(check->geometry(), QRect(pixels(120), pixels(top), pixels(255), pixels(255)));
    QCOMPARE(label->y(), pixels(top));
    QCOMPARE(label->font().pointSizeF(), 12.0);
}

void DialogDesignsTest::suggestionDesign()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, name);
    QFETCH(int, height);
    QFETCH(int, boxes);
    SuggestionDialog dialog(key);
    QCOMPARE(dialog.objectName(), name);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Online Dictionary Provider Suggestion"));
    QCOMPARE(dialog.size(), QSize(pixels(7455), pixels(height)));
    QVERIFY(childNamed<QGroupBox>(&dialog, "Frame1"));

    QCOMPARE(dialog.findChildren<QCheckBox*>().size(), boxes);
    QCOMPARE(focusCycle(childNamed<QWidget>(&dialog, "cmdOK"), 2),
             (QStringList{"cmdOK", "cmdCancel"}));
    if (key == QueryKey::Chinese) {
        // The middle row is Check3, the bottom row Check2.
        QCOMPARE(childNamed<QLabel>(&dialog, "Label3")->text(),
                 QStringLiteral("Yahoo Dictionary (China)"));
        QVERIFY(childNamed<QCheckBox>(&dialog, "Check3")->y() <
                childNamed<QCheckBox>(&dialog, "Check2")->y());
    }
}

void DialogDesignsTest::aboutBox()
{
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Lexivo Dictionary"));
    QCOMPARE(about.geometry(), QRect(pixels(5250), pixels(4095), pixels(5475), pixels(3090)));
    QCOMPARE(childNamed<QLabel>(&about, "Label1")->text(),
             QStringLiteral("         Lexivo Dictionary II"));
    QCOMPARE(childNamed<QLabel>(&about, "Label3")->text(),
             QStringLiteral("              version 1.1"));
    auto* rights = childNamed<QLabel>(&about, "Label2");
    QCOMPARE(rights->text(), QStringLiteral("   Free software: MIT License"));
    QCOMPARE(rights->geometry(), QRect(pixels(720), pixels(960), pixels(2295), pixels(255)));
    QVERIFY(rights->fontMetrics().horizontalAdvance(rights->text()) <= rights->width());
    QCOMPARE(childNamed<QLabel>(&about, "Label4")->text(), QStringLiteral("Contact points are:"));
    QVERIFY(childNamed<QLabel>(&about, "Label5")
                ->text()
                .startsWith(QStringLiteral("Url:     http://")));
    QVERIFY(childNamed<QLabel>(&about, "Label6")->text().startsWith(QStringLiteral("Email: ")));
    QCOMPARE(childNamed<QLabel>(&about, "Label4")->parentWidget()->objectName(),
             QStringLiteral("Frame1"));
    QCOMPARE(childNamed<QLabel>(&about, "Label1")->parentWidget()->objectName(),
             QStringLiteral("Frame2"));
    QCOMPARE(childNamed<QWidget>(&about, "cmdOK")->geometry(),
             QRect(pixels(4080), pixels(240), pixels(1335), pixels(375)));
}

QTEST_MAIN(DialogDesignsTest)
#include "tst_dialog_designs.moc"
