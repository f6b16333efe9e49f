// The options dialog, the provider suggestion dialogs with the Select flow, and the About box.
#include "core/canned_templates.h"
#include "core/design_units.h"
#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"
#include "modal_driver.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

namespace {

int pixels(double twips)
{
    return design::twipsToPixels(twips, 96);
}

void click(QWidget* dialog, const char* name)
{
    auto* button = childNamed<QPushButton>(dialog, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList focusCycle(QWidget* first, int count)
{
    QStringList names;
    QWidget* w = first;
    for (int i = 0; i < count; ++i) {
        names << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(first->window()) ||
               w->isWindow());
    }
    return names;
}

} // namespace

class DialogsWidgetsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void optionDesign();
    void optionSaveAndCancel_data();
    void optionSaveAndCancel();
    void optionKeysDoNotCloseIt();
    void optionFieldsShowTheirStart();

    void suggestionDesign_data();
    void suggestionDesign();
    void suggestionRows_data();
    void suggestionRows();
    void suggestionFlags_data();
    void suggestionFlags();
    void suggestionEnterPressesFocusedButtonOnly();
    void enterKeysPressTheFocusedButton_data();
    void enterKeysPressTheFocusedButton();

    void selectWritesTheTickedTemplate_data();
    void selectWritesTheTickedTemplate();
    void selectReopensUnticked();

    void aboutBox();
    void aboutClosesByOkOrCloseBox_data();
    void aboutClosesByOkOrCloseBox();
};

void DialogsWidgetsTest::initTestCase()
{
    QWidget probe;
    if (probe.logicalDpiX() != 96)
        QSKIP("needs a 96 dpi screen (the offscreen platform)");
}

void DialogsWidgetsTest::cleanup()
{
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void DialogsWidgetsTest::optionDesign()
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

void DialogsWidgetsTest::optionSaveAndCancel_data()
{
    QTest::addColumn<int>("how"); // 0 Save, 1 Cancel, 2 close box
    QTest::addColumn<bool>("saved");
    QTest::newRow("Save") << 0 << true;
    QTest::newRow("Cancel") << 1 << false;
    QTest::newRow("close box") << 2 << false;
}

void DialogsWidgetsTest::optionSaveAndCancel()
{
    QFETCH(int, how);
    QFETCH(bool, saved);
    OptionsDialog option;
    option.setValues(canned_templates::defaults());
    ModalDriver modals;
    modals.whenModal([how](QWidget* dialog) {
        if (how == 0)
            click(dialog, "cmdSave");
        else if (how == 1)
            click(dialog, "cmdCancel");
        else
            dialog->close();
    });
    option.exec();
    QCOMPARE(option.result() == QDialog::Accepted, saved);
    QVERIFY(option.isHidden());
    QCOMPARE(option.values(), canned_templates::defaults()); // still loaded, fields kept
}

void DialogsWidgetsTest::optionKeysDoNotCloseIt()
{
    OptionsDialog option;
    bool stillOpen = false;
    ModalDriver modals;
    modals.whenModal([&](QWidget* dialog) {
        QLineEdit* edit = childNamed<QLineEdit>(dialog, "txtChinese");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Return);
        stillOpen = dialog->isVisible();
        click(dialog, "cmdCancel");
    });
    option.exec();
    QVERIFY(stillOpen);
    QCOMPARE(option.result(), int(QDialog::Rejected));
}

void DialogsWidgetsTest::optionFieldsShowTheirStart()
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

void DialogsWidgetsTest::suggestionDesign_data()
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

void DialogsWidgetsTest::suggestionRows_data()
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

void DialogsWidgetsTest::suggestionRows()
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

void DialogsWidgetsTest::suggestionDesign()
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

void DialogsWidgetsTest::suggestionFlags_data()
{
    QTest::addColumn<int>("how"); // 0 OK, 1 Cancel, 2 close box
    QTest::addColumn<bool>("saved");
    QTest::newRow("OK") << 0 << true;
    QTest::newRow("Cancel") << 1 << false;
    QTest::newRow("close box") << 2 << false;
}

void DialogsWidgetsTest::suggestionFlags()
{
    QFETCH(int, how);
    QFETCH(bool, saved);
    SuggestionDialog dialog(QueryKey::English);
    ModalDriver modals;
    modals.whenModal([how](QWidget* d) {
        childNamed<QCheckBox>(d, "Check1")->setChecked(true);
        childNamed<QCheckBox>(d, "Check2")->setChecked(true);
        if (how == 0)
            click(d, "cmdOK");
        else if (how == 1)
            click(d, "cmdCancel");
        else
            d->close();
    });
    dialog.exec();
    QCOMPARE(dialog.result() == QDialog::Accepted, saved);
    QCOMPARE(dialog.tickedBoxes(), (std::vector<bool>{true, true})); // the dialog does not narrow
}

void DialogsWidgetsTest::suggestionEnterPressesFocusedButtonOnly()
{
    SuggestionDialog dialog(QueryKey::Japanese);
    bool escapeKeptItOpen = false;
    QString focused;
    ModalDriver modals;
    modals.whenModal([&](QWidget* d) {
        QTest::keyClick(d, Qt::Key_Escape);
        escapeKeptItOpen = d->isVisible();
        focused = QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    dialog.exec();
    QVERIFY(escapeKeptItOpen);
    QCOMPARE(focused, QStringLiteral("cmdOK"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void DialogsWidgetsTest::enterKeysPressTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    QTest::newRow("keypad Enter on OK")
        << "cmdOK" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::newRow("keypad Enter on Cancel")
        << "cmdCancel" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false;
}

void DialogsWidgetsTest::enterKeysPressTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, saved);
    SuggestionDialog dialog(QueryKey::English);
    ModalDriver modals;
    modals.whenModal([&](QWidget* d) {
        QWidget* focus = d->findChild<QWidget*>(button);
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (d->isVisible()) // the key did nothing: close it anyway
            d->close();
    });
    dialog.exec();
    QCOMPARE(dialog.result() == QDialog::Accepted, saved);
}

void DialogsWidgetsTest::selectWritesTheTickedTemplate_data()
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

void DialogsWidgetsTest::selectWritesTheTickedTemplate()
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

void DialogsWidgetsTest::selectReopensUnticked()
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

void DialogsWidgetsTest::aboutBox()
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

void DialogsWidgetsTest::aboutClosesByOkOrCloseBox_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("OK") << false;
    QTest::newRow("close box") << true;
}

void DialogsWidgetsTest::aboutClosesByOkOrCloseBox()
{
    QFETCH(bool, closeBox);
    for (int opening = 0; opening < 2; ++opening) {
        AboutDialog about;
        QPoint shownAt;
        QWidget* focused = nullptr;
        ModalDriver modals;
        modals.whenModal([&](QWidget* d) {
            shownAt = d->geometry().topLeft();
            focused = QApplication::focusWidget();
            if (closeBox)
                d->close();
            else
                QTest::keyClick(focused, Qt::Key_Return);
        });
        about.exec();
        QCOMPARE(shownAt, QPoint(pixels(5250), pixels(4095)));
        QCOMPARE(focused, childNamed<QWidget>(&about, "cmdOK"));
        QVERIFY(about.isHidden());
    }
}

QTEST_MAIN(DialogsWidgetsTest)
#include "tst_dialogs_widgets.moc"
