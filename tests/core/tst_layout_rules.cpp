// The window's geometry without widgets: the main row fitted to the window's size, centring,
// fitting into a screen's area, twips and pixels.
#include "core/design_units.h"
#include "core/form_layout.h"

#include <QRect>
#include <QTest>

using layout::MainRow;

class LayoutRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fitMainRow_data();
    void fitMainRow();
    void fitMainRowLeavesUnfittableWindowsAlone_data();
    void fitMainRowLeavesUnfittableWindowsAlone();
    void centeredPosition_data();
    void centeredPosition();
    void fitIntoArea_data();
    void fitIntoArea();
    void twipsConversion_data();
    void twipsConversion();
};

void LayoutRulesTest::fitMainRow_data()
{
    QTest::addColumn<float>("outerWidth");
    QTest::addColumn<float>("outerHeight");
    QTest::addColumn<float>("wordWidth");
    QTest::addColumn<float>("firstButtonLeft");
    QTest::addColumn<float>("lastButtonLeft");
    QTest::addColumn<float>("browserWidth");
    QTest::addColumn<float>("browserHeight");

    QTest::newRow("15000x12000") << 15000.f << 12000.f << 5810.f << 6870.f << 13445.f << 14600.f
                                 << 9700.f;
    QTest::newRow("one twip wide")
        << 9191.f << 12000.f << 1.f << 1061.f << 7636.f << 8791.f << 9700.f;
    QTest::newRow("height 2300: browser 0")
        << 15000.f << 2300.f << 5810.f << 6870.f << 13445.f << 14600.f << 0.f;
    QTest::newRow("low window: never negative")
        << 15000.f << 1000.f << 5810.f << 6870.f << 13445.f << 14600.f << 0.f;
}

void LayoutRulesTest::fitMainRow()
{
    QFETCH(float, outerWidth);
    QFETCH(float, outerHeight);
    const MainRow row =
        layout::fitMainRow(layout::designMainRow(), {13155, 10395}, {outerWidth, outerHeight});
    QTEST(row.wordWidth, "wordWidth");
    QCOMPARE(row.wordLeft, 960.f);
    QTEST(row.buttonLeft[0], "firstButtonLeft");
    QTEST(row.buttonLeft[5], "lastButtonLeft");
    for (int i = 1; i < layout::kLookupButtonCount; ++i)
        QCOMPARE(row.buttonLeft[i], row.buttonLeft[i - 1] + 1215.f + 100.f);
    QCOMPARE(row.buttonWidth, layout::designMainRow().buttonWidth);
    QTEST(row.browserWidth, "browserWidth");
    QTEST(row.browserHeight, "browserHeight");
}

void LayoutRulesTest::fitMainRowLeavesUnfittableWindowsAlone_data()
{
    QTest::addColumn<float>("clientWidth");
    QTest::addColumn<float>("clientHeight");
    QTest::addColumn<float>("outerWidth");

    QTest::newRow("minimised") << 0.f << 0.f << 15000.f;
    QTest::newRow("9190 wide") << 9000.f << 9000.f << 9190.f;
    QTest::newRow("very narrow") << 100.f << 9000.f << 500.f;
}

void LayoutRulesTest::fitMainRowLeavesUnfittableWindowsAlone()
{
    QFETCH(float, clientWidth);
    QFETCH(float, clientHeight);
    QFETCH(float, outerWidth);
    MainRow before = layout::designMainRow();
    before.wordWidth = 1234; // a previous layout, to see that it survives
    const MainRow after =
        layout::fitMainRow(before, {clientWidth, clientHeight}, {outerWidth, 12000});
    QCOMPARE(after.wordWidth, before.wordWidth);
    QCOMPARE(after.buttonLeft, before.buttonLeft);
    QCOMPARE(after.browserWidth, before.browserWidth);
    QCOMPARE(after.browserHeight, before.browserHeight);
}

void LayoutRulesTest::centeredPosition_data()
{
    QTest::addColumn<float>("windowWidth");
    QTest::addColumn<float>("windowHeight");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    QTest::newRow("6000x4000") << 6000.f << 4000.f << 6600.f << 5200.f;
    QTest::newRow("wider than screen") << 20000.f << 4000.f << -400.f << 5200.f;
    QTest::newRow("half twips kept") << 6001.f << 4001.f << 6599.5f << 5199.5f;
}

void LayoutRulesTest::centeredPosition()
{
    QFETCH(float, windowWidth);
    QFETCH(float, windowHeight);
    const layout::PointTwips p =
        layout::centeredPosition({19200, 14400}, {windowWidth, windowHeight});
    QTEST(p.left, "left");
    QTEST(p.top, "top");
}

void LayoutRulesTest::fitIntoArea_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("fitted"); // within an area of 640 x 450 at (0, 24)

    QTest::newRow("fits: stays") << QRect(70, 50, 365, 206) << QRect(70, 50, 365, 206);
    QTest::newRow("below the bottom: moved up")
        << QRect(350, 273, 365, 206) << QRect(275, 268, 365, 206);
    QTest::newRow("negative centred position")
        << QRect(-79, 49, 797, 351) << QRect(0, 49, 640, 351);
    QTest::newRow("above the area") << QRect(10, 0, 100, 100) << QRect(10, 24, 100, 100);
    QTest::newRow("larger both ways") << QRect(70, 25, 877, 736) << QRect(0, 24, 640, 450);
}

void LayoutRulesTest::fitIntoArea()
{
    QFETCH(QRect, window);
    QTEST(layout::fitIntoArea(window, QRect(0, 24, 640, 450)), "fitted");
}

void LayoutRulesTest::twipsConversion_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");

    QTest::newRow("96 dpi: 15 twips a pixel") << 13155.0 << 96.0 << 877;
    QTest::newRow("120 dpi: 12 twips a pixel") << 1440.0 << 120.0 << 120;
    QTest::newRow("192 dpi") << 495.0 << 192.0 << 66;
    QTest::newRow("rounds half away from zero") << 7.5 << 96.0 << 1;
}

void LayoutRulesTest::twipsConversion()
{
    QFETCH(double, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(design::twipsToPixels(twips, dpi), pixels);
    QCOMPARE(design::pixelsToTwips(pixels, dpi), pixels * 1440.0 / dpi);
}

QTEST_GUILESS_MAIN(LayoutRulesTest)
#include "tst_layout_rules.moc"
