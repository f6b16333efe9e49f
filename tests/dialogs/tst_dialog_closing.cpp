// How each dialog ends: by its buttons, its close box and the keys (Enter presses only the
// focused button; Escape, and Enter in a text field, end nothing), and what it keeps once closed.
#include "core/canned_templates.h"
#include "dialog_test_helpers.h"
#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

#include <memory>

namespace {

// The options dialog with the built-in templates, or the English suggestion dialog with both
// boxes ticked once it shows.
std::unique_ptr<DesignDialog> makeDialog(const QString& kind)
{
    if (kind == QLatin1String("options")) {
        auto option = std::make_unique<OptionsDialog>();
        option->setValues(canned_templates::defaults());
        return option;
    }
    return std::make_unique<SuggestionDialog>(QueryKey::English);
}

void tickBoth(QWidget* dialog)
{
    if (auto* suggestion = qobject_cast<SuggestionDialog*>(dialog)) {
        childNamed<QCheckBox>(suggestion, "Check1")->setChecked(true);
        childNamed<QCheckBox>(suggestion, "Check2")->setChecked(true);
    }
}

// Closed in any way, a dialog keeps what it shows: the caller reads it afterwards.
void checkKeptContents(DesignDialog* dialog)
{
    if (auto* option = qobject_cast<OptionsDialog*>(dialog))
        QCOMPARE(option->values(), canned_templates::defaults());
    else
        QCOMPARE(qobject_cast<SuggestionDialog*>(dialog)->tickedBoxes(),
                 (std::vector<bool>{true, true}));
}

} // namespace

class DialogClosingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { LEXIVO_REQUIRE_96_DPI(); }
    void cleanup() { QTRY_COMPARE(QApplication::activeModalWidget(), nullptr); }

    void buttonsAndCloseBoxEndIt_data();
    void buttonsAndCloseBoxEndIt();
    void enterPressesOnlyTheFocusedButton_data();
    void enterPressesOnlyTheFocusedButton();
    void aboutClosesByOkOrCloseBox_data();
    void aboutClosesByOkOrCloseBox();
};

void DialogClosingTest::buttonsAndCloseBoxEndIt_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("button"); // empty: the close box
    QTest::addColumn<bool>("accepted");
    QTest::newRow("options Save") << "options"
                                  << "cmdSave" << true;
    QTest::newRow("options Cancel") << "options"
                                    << "cmdCancel" << false;
    QTest::newRow("options close box") << "options"
                                       << "" << false;
    QTest::newRow("suggestion OK") << "suggestion"
                                   << "cmdOK" << true;
    QTest::newRow("suggestion Cancel") << "suggestion"
                                       << "cmdCancel" << false;
    QTest::newRow("suggestion close box") << "suggestion"
                                          << "" << false;
}

void DialogClosingTest::buttonsAndCloseBoxEndIt()
{
    QFETCH(QString, dialog);
    QFETCH(QString, button);
    QFETCH(bool, accepted);
    const std::unique_ptr<DesignDialog> shown = makeDialog(dialog);
    ModalDriver modals;
    modals.whenModal([&](QWidget* d) {
        tickBoth(d);
        if (button.isEmpty())
            d->close();
        else
            click(d, button.toLatin1().constData());
    });
    shown->exec();
    QCOMPARE(shown->result() == QDialog::Accepted, accepted);
    QVERIFY(shown->isHidden());
    checkKeptContents(shown.get());
}

void DialogClosingTest::enterPressesOnlyTheFocusedButton_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("result"); // "accepted", "rejected" or "open"
    QTest::newRow("Enter on OK") << "suggestion"
                                 << "cmdOK" << int(Qt::Key_Return) << int(Qt::NoModifier)
                                 << "accepted";
    QTest::newRow("keypad Enter on OK")
        << "suggestion"
        << "cmdOK" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "accepted";
    QTest::newRow("keypad Enter on Cancel")
        << "suggestion"
        << "cmdCancel" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "rejected";
    QTest::newRow("Enter in a text field")
        << "options"
        << "txtChinese" << int(Qt::Key_Return) << int(Qt::NoModifier) << "open";
}

void DialogClosingTest::enterPressesOnlyTheFocusedButton()
{
    QFETCH(QString, dialog);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, result);
    const std::unique_ptr<DesignDialog> shown = makeDialog(dialog);
    QString firstFocus;
    bool escapeKeptItOpen = false;
    bool keyKeptItOpen = false;
    ModalDriver modals;
    modals.whenModal([&](QWidget* d) {
        firstFocus = QApplication::focusWidget()->objectName();
        QWidget* target = d->findChild<QWidget*>(focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        escapeKeptItOpen = d->isVisible();
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        keyKeptItOpen = d->isVisible();
        if (keyKeptItOpen)
            d->close();
    });
    shown->exec();
    QVERIFY(escapeKeptItOpen);
    // The design's first tab stop has the focus as the dialog opens.
    QCOMPARE(firstFocus, dialog == QLatin1String("options") ? QStringLiteral("txtChinese")
                                                            : QStringLiteral("cmdOK"));
    QCOMPARE(keyKeptItOpen, result == QLatin1String("open"));
    if (!keyKeptItOpen)
        QCOMPARE(shown->result() == QDialog::Accepted, result == QLatin1String("accepted"));
}

void DialogClosingTest::aboutClosesByOkOrCloseBox_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("OK") << false;
    QTest::newRow("close box") << true;
}

void DialogClosingTest::aboutClosesByOkOrCloseBox()
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

QTEST_MAIN(DialogClosingTest)
#include "tst_dialog_closing.moc"
