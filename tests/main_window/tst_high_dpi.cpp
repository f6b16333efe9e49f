// Designs are in twips, a physical unit: at any scale factor the windows keep their physical
// size and proportions, fonts grow with them, and captions still fit. Run at several
// QT_SCALE_FACTOR values by CTest.
#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/suggestion_dialog.h"
#include "fake_browser.h"
#include "main_window/main_window.h"
#include "main_window_fixture.h"
#include "temp_program_folder.h"
#include "window_controls.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

namespace {

// Device pixels per twip on this screen: logical DPI x device pixel ratio / 1440.
double devicePixelsPerTwip(const QWidget& w)
{
    return w.logicalDpiX() * w.devicePixelRatioF() / 1440.0;
}

void checkPhysicalRect(const QWidget& w, double left, double top, double width, double height)
{
    const double scale = devicePixelsPerTwip(w);
    const double ratio = w.devicePixelRatioF();
    const QRect g = w.geometry();
    // One logical pixel of rounding, in device pixels.
    const double slack = ratio + 0.01;
    QVERIFY2(qAbs(g.x() * ratio - left * scale) <= slack, qPrintable(w.objectName()));
    QVERIFY2(qAbs(g.y() * ratio - top * scale) <= slack, qPrintable(w.objectName()));
    QVERIFY2(qAbs(g.width() * ratio - width * scale) <= slack, qPrintable(w.objectName()));
    QVERIFY2(qAbs(g.height() * ratio - height * scale) <= slack, qPrintable(w.objectName()));
}

void checkCaptionFits(const QWidget* w, const QString& text, int room)
{
    const int needs = QFontMetrics(w->font()).horizontalAdvance(text);
    QVERIFY2(needs <= room, qPrintable(QStringLiteral("%1 (%2) clipped: \"%3\" needs %4 px, has %5")
                                           .arg(w->objectName(), w->style()->name(), text)
                                           .arg(needs)
                                           .arg(room)));
}

// Where the button's style draws its caption.
int captionRoom(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

void checkCaptionsFit(const QWidget& window)
{
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        checkCaptionFits(button, button->text(), captionRoom(button));
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && label->objectName() != QLatin1String("SimpleTextLabel"))
            checkCaptionFits(label, label->text(), label->contentsRect().width());
    }
}

// A desktop in the style the user chose (with that style's own palette, light or dark): the look
// of every window made from now on.
class StyleChoice
{
public:
    explicit StyleChoice(const QString& style) : m_before(QApplication::style()->name())
    {
        QApplication::setStyle(QStyleFactory::create(style));
    }
    ~StyleChoice() { QApplication::setStyle(QStyleFactory::create(m_before)); }

private:
    QString m_before;
};

} // namespace

class HighDpiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainWindowKeepsPhysicalDesignSize();
    void fontsScaleWithTheScreen();
    void captionsFit_data();
    void captionsFit();
};

void HighDpiTest::mainWindowKeepsPhysicalDesignSize()
{
    qInfo("device pixel ratio %.2f, logical dpi %d", qApp->devicePixelRatio(),
          QWidget().logicalDpiX());
    MainWindowFixture started;
    // As created, before the first resize fits the row to the window's frame. The window is
    // the client area plus the menu bar.
    const double scale = devicePixelsPerTwip(*started.window);
    const QSize client =
        started.window->size() - QSize(0, started.window->menuBar()->sizeHint().height());
    QVERIFY(qAbs(client.width() * started.window->devicePixelRatioF() - 13155 * scale) <=
            2 * started.window->devicePixelRatioF());
    QVERIFY(qAbs(client.height() * started.window->devicePixelRatioF() - 10395 * scale) <=
            2 * started.window->devicePixelRatioF());
    checkPhysicalRect(*started.window->findChild<QLineEdit*>(QStringLiteral("txtWord")), 960, 240,
                      4095, 495);
    checkPhysicalRect(*started.window->findChild<QLabel*>(QStringLiteral("Label2")), 120, 270, 855,
                      375);
    checkPhysicalRect(*started.window->findChild<QPushButton*>(QStringLiteral("cmdEn2Ch")), 5160,
                      240, 1215, 495);
    checkPhysicalRect(*started.window->findChild<QPushButton*>(QStringLiteral("cmdEngComputer")),
                      11760, 240, 1215, 495);
    checkPhysicalRect(*started.browser->view(), 120, 960, 12855, 8895);

    OptionsDialog option;
    checkPhysicalRect(option, option.x(), option.y(), 11955, 5265); // size only matters here
}

void HighDpiTest::fontsScaleWithTheScreen()
{
    MainWindowFixture started;
    auto* word = started.window->findChild<QLineEdit*>(QStringLiteral("txtWord"));
    // 13.5 pt is 13.5/72 inch: in device pixels, that many inches times the device DPI.
    const double expectedDevicePixels =
        13.5 / 72.0 * word->logicalDpiY() * word->devicePixelRatioF();
    const double actual = QFontInfo(word->font()).pixelSize() * word->devicePixelRatioF();
    QVERIFY2(qAbs(actual - expectedDevicePixels) <= 1.5 * word->devicePixelRatioF(),
             qPrintable(QStringLiteral("font %1 device px, expected %2")
                            .arg(actual)
                            .arg(expectedDevicePixels)));
}

void HighDpiTest::captionsFit_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("window");
    for (const char* style : {"Fusion", "Adwaita-Dark"}) {
        for (const char* window : {"main", "options", "suggestions", "about"})
            QTest::addRow("%s, %s", style, window)
                << QString::fromLatin1(style) << QString::fromLatin1(window);
    }
}

void HighDpiTest::captionsFit()
{
    QFETCH(QString, style);
    QFETCH(QString, window);
    QVERIFY2(QStyleFactory::keys().contains(style, Qt::CaseInsensitive),
             qPrintable(style + QStringLiteral(" is not installed (adwaita-qt6)")));
    const StyleChoice choice(style);
    if (window == QLatin1String("main")) {
        MainWindowFixture started;
        checkCaptionsFit(*started.window);
        // A widened button still leaves a gap before the next one.
        for (int i = 0; i + 1 < layout::kLookupButtonCount; ++i)
            QVERIFY(button(*started.window, kButtonNames[i])->geometry().right() <
                    button(*started.window, kButtonNames[i + 1])->x());
    } else if (window == QLatin1String("options")) {
        checkCaptionsFit(OptionsDialog());
    } else if (window == QLatin1String("suggestions")) {
        for (const LookupDictionary& dictionary : kLookupDictionaries)
            checkCaptionsFit(SuggestionDialog(dictionary.key));
    } else {
        checkCaptionsFit(AboutDialog());
    }
}

QTEST_MAIN(HighDpiTest)
#include "tst_high_dpi.moc"
