// The main window's lookups with a fake browser: each button's template, the word's edge cases,
// the keys that press a button, the Website command and the page's "Look up".
#include "core/canned_templates.h"
#include "dialogs/options_dialog.h"
#include "main_window_fixture.h"
#include "window_controls.h"

#include <QTest>

Q_DECLARE_METATYPE(QueryKey)

class LookupsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();

    void eachButtonUsesItsTemplate_data();
    void eachButtonUsesItsTemplate();
    void lookupEdgeCases_data();
    void lookupEdgeCases();
    void savedTemplateAppliesOnNextClick();
    void enterInWordBoxStartsNoLookup();
    void typingReadiesTheLookupServers();
    void keysPressTheFocusedButton_data();
    void keysPressTheFocusedButton();
    void websiteGoesToMakerSite();
    void lookUpFromThePageRunsThatButton_data();
    void lookUpFromThePageRunsThatButton();
    void lookupNamesItsDictionaryToTheBrowser_data();
    void lookupNamesItsDictionaryToTheBrowser();
};

void LookupsTest::cleanup()
{
    // No dialog may outlive its test.
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

void LookupsTest::eachButtonUsesItsTemplate_data()
{
    // The default templates, filled with "Apple".
    QTest::addColumn<QString>("expected"); // the row's tag is the button's object name
    QTest::newRow("cmdEn2Ch") << "http://hk.dictionary.yahoo.com/dict?s=Apple";
    QTest::newRow("cmdEn2En") << "http://encarta.msn.com/dictionary_/Apple.html";
    QTest::newRow("cmdEn2Th") << "http://thesaurus.com/search?q=Apple";
    QTest::newRow("cmdEn2Jp") << "http://www.freedict.com/english/japanese/?word=Apple";
    QTest::newRow("cmdChiComputer")
        << "http://www.hkcs.org.hk/search.cgi?query=Apple&trad=b5&text=Text&st=1&dbname=hk&db=none&"
           ".submit=Search";
    QTest::newRow("cmdEngComputer")
        << "http://foldoc.org/foldoc/foldoc.cgi?query=Apple&action=Search";
}

void LookupsTest::eachButtonUsesItsTemplate()
{
    QFETCH(QString, expected);
    MainWindowFixture started;
    QTest::keyClicks(wordBox(*started.window), QStringLiteral("  Apple  "));
    QTest::mouseClick(button(*started.window, QTest::currentDataTag()), Qt::LeftButton);

    QCOMPARE(started.browser->navigations.last(), expected);
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + expected);
    QCOMPARE(started.window->currentUrl(), expected);
    QCOMPARE(wordBox(*started.window)->text(),
             QStringLiteral("  Apple  ")); // the word box is left as typed
}

void LookupsTest::lookupEdgeCases_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("chineseTemplate");
    QTest::addColumn<QString>("address"); // null: nothing happens at all

    const QString t = QStringLiteral("http://dict.test/q?w=%word&f=%firstchar");
    QTest::newRow("empty word") << "" << t << QString();
    QTest::newRow("spaces only") << "   " << t << QString();
    QTest::newRow("capital first letter") << "Zebra" << t << "http://dict.test/q?w=Zebra&f=Z";
    QTest::newRow("two words") << "ice cream" << t << "http://dict.test/q?w=ice cream&f=i";
    QTest::newRow("AT&T") << "AT&T" << t << "http://dict.test/q?w=AT%26T&f=A";
    QTest::newRow("C#") << "C#" << t << "http://dict.test/q?w=C%23&f=C";
    QTest::newRow("C++") << "C++" << t << "http://dict.test/q?w=C%2B%2B&f=C";
    QTest::newRow("empty template") << "word"
                                    << ""
                                    << "";
    QTest::newRow("template with spaces") << "w"
                                          << "  http://dict.test/%word  "
                                          << "http://dict.test/w";
}

void LookupsTest::lookupEdgeCases()
{
    QFETCH(QString, word);
    QFETCH(QString, chineseTemplate);
    QFETCH(QString, address);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] = chineseTemplate;
    started.folder.writeSettings(values);
    started.start();
    started.window->statusBarWidget()->setText(QStringLiteral("before"));

    wordBox(*started.window)->setText(word);
    QTest::mouseClick(button(*started.window, "cmdEn2Ch"), Qt::LeftButton);
    if (address.isNull()) {
        QCOMPARE(started.browser->navigations.size(), 1); // the home page only
        QCOMPARE(status(*started.window), QStringLiteral("before"));
    } else {
        QCOMPARE(started.browser->navigations.size(), 2);
        QCOMPARE(started.browser->navigations.last(), address);
        QCOMPARE(status(*started.window), QStringLiteral("goto ") + address);
    }
}

void LookupsTest::savedTemplateAppliesOnNextClick()
{
    MainWindowFixture started;
    wordBox(*started.window)->setText(QStringLiteral("go"));
    started.window->options()
        ->field(QueryKey::English)
        ->setText(QStringLiteral("http://new.test/%word"));
    QTest::mouseClick(button(*started.window, "cmdEn2En"), Qt::LeftButton);
    QCOMPARE(started.browser->navigations.last(), QStringLiteral("http://new.test/go"));
}

void LookupsTest::enterInWordBoxStartsNoLookup()
{
    MainWindowFixture started;
    started.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(started.window.get()));
    QTest::keyClicks(wordBox(*started.window), QStringLiteral("apple"));
    QTest::keyClick(wordBox(*started.window), Qt::Key_Return);
    QCOMPARE(started.browser->navigations.size(), 1);
}

void LookupsTest::typingReadiesTheLookupServers()
{
    MainWindowFixture started;
    const std::pair<QueryKey, const char*> templates[] = {
        {QueryKey::Chinese, "http://ch.test/?w=%word"},
        {QueryKey::English, "http://en.test:8080/%word"},
        {QueryKey::Thesaurus, "http://ch.test/th/%word"},
        {QueryKey::Japanese, "http://%word.jp.test/"},
        {QueryKey::ChiComputer, "https://cc.test/%word"},
        {QueryKey::EngComputer, ""},
    };
    for (const auto& [key, urlTemplate] : templates)
        started.window->options()->field(key)->setText(QString::fromLatin1(urlTemplate));
    QLineEdit* word = wordBox(*started.window);

    word->setText(QStringLiteral("set, not typed"));
    QVERIFY(started.browser->preconnects.isEmpty());
    QTest::keyClicks(word, QStringLiteral("apple"));
    QTest::keyClicks(word, QStringLiteral("pie"));
    // Once for the word, however many keys; the servers only, and no navigation.
    QCOMPARE(started.browser->preconnects,
             QList<QList<QUrl>>({{QUrl(QStringLiteral("http://ch.test")),
                                  QUrl(QStringLiteral("http://en.test:8080")),
                                  QUrl(QStringLiteral("https://cc.test"))}}));
    QCOMPARE(started.browser->navigations.size(), 1); // the home page
}

void LookupsTest::keysPressTheFocusedButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("address"); // null: no lookup

    QTest::newRow("Enter on Thesaurus")
        << "cmdEn2Th" << Qt::Key_Return << Qt::KeyboardModifiers(Qt::NoModifier)
        << "http://th.test/?w=kiwi";
    QTest::newRow("keypad Enter on Computer (Eng)")
        << "cmdEngComputer" << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier)
        << "http://ec.test/?w=kiwi";
    QTest::newRow("Space on Chinese")
        << "cmdEn2Ch" << Qt::Key_Space << Qt::KeyboardModifiers(Qt::NoModifier)
        << "http://ch.test/?w=kiwi";
    QTest::newRow("Enter in the word box")
        << "txtWord" << Qt::Key_Return << Qt::KeyboardModifiers(Qt::NoModifier) << QString();
    QTest::newRow("keypad Enter in the word box")
        << "txtWord" << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier) << QString();
}

void LookupsTest::keysPressTheFocusedButton()
{
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, address);
    MainWindowFixture started(MainWindowFixture::Unstarted);
    QueryStringSet values = canned_templates::defaults();
    values[QueryKey::Chinese] = QStringLiteral("http://ch.test/?w=%word");
    values[QueryKey::Thesaurus] = QStringLiteral("http://th.test/?w=%word");
    values[QueryKey::EngComputer] = QStringLiteral("http://ec.test/?w=%word");
    started.folder.writeSettings(values);
    started.start();
    started.window->show();
    QVERIFY(QTest::qWaitForWindowActive(started.window.get()));
    wordBox(*started.window)->setText(QStringLiteral("kiwi"));
    auto* target = started.window->findChild<QWidget*>(focus);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);

    QTest::keyClick(target, key, modifiers);
    if (address.isNull()) {
        QCOMPARE(started.browser->navigations, QStringList{QStringLiteral("about:blank")});
    } else {
        QCOMPARE(started.browser->navigations,
                 (QStringList{QStringLiteral("about:blank"), address})); // pressed once
    }
}

void LookupsTest::websiteGoesToMakerSite()
{
    MainWindowFixture started;
    started.window->findChild<QAction*>(QStringLiteral("mnuWebsite"))->trigger();
    const QString site = started.browser->navigations.last();
    QVERIFY(site.startsWith(QStringLiteral("http://")));
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + site);
}

void LookupsTest::lookUpFromThePageRunsThatButton_data()
{
    // The default templates, filled with "Apple".
    QTest::addColumn<QueryKey>("key");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Chinese") << QueryKey::Chinese << "Apple"
                             << "http://hk.dictionary.yahoo.com/dict?s=Apple";
    QTest::newRow("English") << QueryKey::English << " Apple\t"
                             << "http://encarta.msn.com/dictionary_/Apple.html";
    QTest::newRow("Thesaurus") << QueryKey::Thesaurus << "Apple"
                               << "http://thesaurus.com/search?q=Apple";
    QTest::newRow("Japanese") << QueryKey::Japanese << "Apple"
                              << "http://www.freedict.com/english/japanese/?word=Apple";
    QTest::newRow("ChiComputer")
        << QueryKey::ChiComputer << "Apple"
        << "http://www.hkcs.org.hk/search.cgi?query=Apple&trad=b5&text=Text&st=1&dbname=hk&db=none&"
           ".submit=Search";
    QTest::newRow("EngComputer") << QueryKey::EngComputer << "  Apple  "
                                 << "http://foldoc.org/foldoc/foldoc.cgi?query=Apple&action=Search";
}

// The page's "Look up" entry: the word goes into the word box and that button's lookup runs.
void LookupsTest::lookUpFromThePageRunsThatButton()
{
    QFETCH(QueryKey, key);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    MainWindowFixture started;
    wordBox(*started.window)->setText(QStringLiteral("pear"));

    started.browser->raiseLookUpRequested(key, word);

    QCOMPARE(wordBox(*started.window)->text(), QStringLiteral("Apple"));
    QCOMPARE(started.browser->navigations, QStringList({QStringLiteral("about:blank"), expected}));
    QCOMPARE(status(*started.window), QStringLiteral("goto ") + expected);
    QCOMPARE(started.window->currentUrl(), expected);
}

void LookupsTest::lookupNamesItsDictionaryToTheBrowser_data()
{
    QTest::addColumn<QString>("command"); // a button's or a menu entry's object name
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("chineseTemplate");
    QTest::addColumn<QStringList>("captions"); // each navigation's lookup caption, in order
    const QString t = QStringLiteral("http://dict.test/%word");
    QTest::newRow("cmdEn2Ch") << "cmdEn2Ch"
                              << "Apple" << t << QStringList{"Chinese"};
    QTest::newRow("cmdEn2En") << "cmdEn2En"
                              << "Apple" << t << QStringList{"English"};
    QTest::newRow("cmdEn2Th") << "cmdEn2Th"
                              << "Apple" << t << QStringList{"Thesaurus"};
    QTest::newRow("cmdEn2Jp") << "cmdEn2Jp"
                              << "Apple" << t << QStringList{"Jananese"};
    QTest::newRow("cmdChiComputer") << "cmdChiComputer"
                                    << "Apple" << t << QStringList{"Computer (Chi)"};
    QTest::newRow("cmdEngComputer") << "cmdEngComputer"
                                    << "Apple" << t << QStringList{"Computer (Eng)"};
    QTest::newRow("refused lookup") << "cmdEn2Ch"
                                    << "Apple"
                                    << "javascript:%word" << QStringList{};
    QTest::newRow("no word, no lookup") << "cmdEn2Ch"
                                        << "  " << t << QStringList{};
    QTest::newRow("website") << "mnuWebsite"
                             << "Apple" << t << QStringList{""};
}

void LookupsTest::lookupNamesItsDictionaryToTheBrowser()
{
    QFETCH(QString, command);
    QFETCH(QString, word);
    QFETCH(QString, chineseTemplate);
    QFETCH(QStringList, captions);
    MainWindowFixture started;
    QCOMPARE(started.browser->lookupCaptions, QStringList{""}); // the home page is no lookup
    started.browser->lookupCaptions.clear();
    started.window->options()->field(QueryKey::Chinese)->setText(chineseTemplate);
    wordBox(*started.window)->setText(word);

    if (QPushButton* pressed = button(*started.window, qPrintable(command)))
        QTest::mouseClick(pressed, Qt::LeftButton);
    else
        started.window->findChild<QAction*>(command)->trigger();

    QCOMPARE(started.browser->lookupCaptions, captions);
}

QTEST_MAIN(LookupsTest)
#include "tst_lookups.moc"
