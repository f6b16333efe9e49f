// The options dialog's Select buttons: the suggestion dialog they open, the template the ticked
// boxes give, and what the fields show afterwards.
#include "dialog_test_helpers.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

Q_DECLARE_METATYPE(QueryKey)

class SelectFlowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QTRY_COMPARE(QApplication::activeModalWidget(), nullptr); }

    void selectWritesTheTickedTemplate_data();
    void selectWritesTheTickedTemplate();
    void selectReopensUnticked();
    void optionFieldsShowTheirStart();
};

void SelectFlowTest::selectWritesTheTickedTemplate_data()
{
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QStringList>("tick");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("expected"); // null: unchanged

    QTest::newRow("Hong Kong + OK88")
        << QueryKey::Chinese << QStringList{"Check1", "Check2"} << true
        << "http://www.ok88.com/cgi-bin/ecdict.cgi?english=%word";
    QTest::newRow("all three")
        << QueryKey::Chinese << QStringList{"Check1", "Check2", "Check3"} << true
        << "http://cn.dictionary.yahoo.com/dictionary/result/%firstchar/%word.html";
    QTest::newRow("ChiComputer both")
        << QueryKey::ChiComputer << QStringList{"Check1", "Check2"} << true
        << "http://www.hkcs.org.hk/"
           "search.cgi?query=%word&trad=gb&text=Text&st=1&dbname=hk&db=none&.submit=Search";
    QTest::newRow("Thesaurus both")
        << QueryKey::Thesaurus << QStringList{"Check1", "Check2"} << true
        << "http://www.m-w.com/cgi-bin/thesaurus?book=Thesaurus&va=%word&x=16&y=17";
    QTest::newRow("OK with none") << QueryKey::English << QStringList{} << true << QString();
    QTest::newRow("Cancel with ticks")
        << QueryKey::English << QStringList{"Check2"} << false << QString();
}

void SelectFlowTest::selectWritesTheTickedTemplate()
{
    QFETCH(QueryKey, key);
    QFETCH(QStringList, tick);
    QFETCH(bool, confirm);
    QFETCH(QString, expected);
    OptionsDialog option;
    option.field(key)->setText(QStringLiteral("typed"));
    QString dialogName;
    ModalDriver modals;
    modals.whenModal([&](QWidget* d) {
        dialogName = d->objectName();
        for (const QString& box : tick)
            d->findChild<QCheckBox*>(box)->setChecked(true);
        click(d, confirm ? "cmdOK" : "cmdCancel");
    });
    QTest::mouseClick(option.selectButton(key), Qt::LeftButton);
    QCOMPARE(dialogName, SuggestionDialog::formName(key));
    QCOMPARE(option.text(key), expected.isNull() ? QStringLiteral("typed") : expected);
    // The suggestion dialog is gone once the flow is over.
    QTRY_VERIFY(option.findChildren<SuggestionDialog*>().isEmpty());
}

void SelectFlowTest::selectReopensUnticked()
{
    OptionsDialog option;
    ModalDriver modals;
    modals.whenModal([](QWidget* d) {
        childNamed<QCheckBox>(d, "Check1")->setChecked(true);
        click(d, "cmdOK");
    });
    QTest::mouseClick(option.selectButton(QueryKey::Chinese), Qt::LeftButton);
    bool anyTicked = true;
    modals.whenModal([&](QWidget* d) {
        anyTicked = false;
        for (QCheckBox* box : d->findChildren<QCheckBox*>())
            anyTicked |= box->isChecked();
        click(d, "cmdCancel");
    });
    QTest::mouseClick(option.selectButton(QueryKey::Chinese), Qt::LeftButton);
    QVERIFY(!anyTicked);
}

void SelectFlowTest::optionFieldsShowTheirStart()
{
    // Templates far longer than their fields, set by the program, and one field typed in at an
    // earlier opening: each field opens at its start, and a template chosen through "Select"
    // shows its start too.
    OptionsDialog option;
    QueryStringSet values;
    for (const QueryKey key : kQueryKeys)
        values[key] = QStringLiteral("http://provider.test/") + QString(300, u'x') +
                      QStringLiteral("?q=%word");
    option.setValues(values);
    ModalDriver modals;
    modals.whenModal([](QWidget* dialog) {
        QLineEdit* edit = childNamed<QLineEdit>(dialog, "txtEnglish");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, QStringLiteral("&more"));
        click(dialog, "cmdSave");
    });
    option.exec();
    QCOMPARE(option.field(QueryKey::English)->cursorPosition(),
             int(values[QueryKey::English].size()) + 5);

    QList<int> caretsAtOpening;
    int caretAfterSelect = -1;
    modals.whenModal([&](QWidget* dialog) {
        for (const QueryKey key : kQueryKeys)
            caretsAtOpening << option.field(key)->cursorPosition();
        modals.whenModal(
            [](QWidget* suggestion) {
                childNamed<QCheckBox>(suggestion, "Check1")->setChecked(true);
                click(suggestion, "cmdOK");
            },
            dialog);
        click(dialog, "cmdEngComputer");
        caretAfterSelect = option.field(QueryKey::EngComputer)->cursorPosition();
        click(dialog, "cmdCancel");
    });
    option.exec();
    QCOMPARE(caretsAtOpening, QList<int>(7, 0));
    QCOMPARE(caretAfterSelect, 0);
    QVERIFY(option.text(QueryKey::EngComputer).startsWith(QStringLiteral("http://")));
}

QTEST_MAIN(SelectFlowTest)
#include "tst_select_flow.moc"
