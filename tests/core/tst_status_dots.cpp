// The status bar's dots while a page loads, and the design timer that makes them grow.
#include "core/interval_timer.h"
#include "core/status_dots.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// What a timer is set to while it runs.
enum class Setting { Interval500, Interval600, Enabled, DisabledEnabled };
Q_DECLARE_METATYPE(Setting)

class StatusDotsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dotsRunAWholeCycle_data();
    void dotsRunAWholeCycle();

    void timerTicksOnlyWhenEnabledWithInterval();
    void timerCountdownAfterASetting_data();
    void timerCountdownAfterASetting();
};

void StatusDotsTest::dotsRunAWholeCycle_data()
{
    // 3 + the address's own dots, growing by two up to 20 or more, then one, then 3, 5, ...
    QTest::addColumn<QString>("address");
    QTest::addColumn<QList<int>>("dots");
    QTest::newRow("plain address")
        << "http://h/q?w=Apple" << QList<int>{5, 7,  9,  11, 13, 15, 17, 19, 21, 1, 3, 5, 7,
                                              9, 11, 13, 15, 17, 19, 21, 1,  3,  5, 7, 9};
    QTest::newRow("address ending in full stops")
        << "http://h/q?w=etc.." << QList<int>{7,  9,  11, 13, 15, 17, 19, 21, 1, 3, 5, 7, 9,
                                              11, 13, 15, 17, 19, 21, 1,  3,  5, 7, 9, 11};
}

void StatusDotsTest::dotsRunAWholeCycle()
{
    QFETCH(QString, address);
    QFETCH(QList<int>, dots);
    QString text = QStringLiteral("Going to ") + address + QStringLiteral("...");
    QList<int> seen;
    for (int tick = 0; tick < 25; ++tick) {
        text = status_dots::nextTick(text);
        seen << status_dots::trailingDots(text);
    }
    QCOMPARE(seen, dots); // two whole cycles: the dots never pass 21
    // At the first reset the address's own full stops go too.
    QVERIFY(text.startsWith(QStringLiteral("Going to http://h/q?w=")));
    QCOMPARE(status_dots::trailingDots(QString()), 0);
    QCOMPARE(status_dots::trailingDots(QStringLiteral("...")), 0);
}

void StatusDotsTest::timerTicksOnlyWhenEnabledWithInterval()
{
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::timeout);
    QVERIFY(timer.isEnabled());
    QCOMPARE(timer.interval(), 0);
    QTest::qWait(50);
    QCOMPARE(ticks.count(), 0); // enabled but no interval: silent

    timer.setInterval(10);
    QTRY_VERIFY(ticks.count() >= 2);
    timer.setEnabled(false);
    QVERIFY(!timer.isTicking());
    const int stopped = ticks.count();
    QTest::qWait(50);
    QCOMPARE(ticks.count(), stopped);
}

void StatusDotsTest::timerCountdownAfterASetting_data()
{
    // A 500 ms timer, set again 300 ms after it started: whether its countdown starts again, and
    // from which interval.
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<bool>("startsAgain");
    QTest::addColumn<int>("countdown"); // ms, when it starts again

    QTest::newRow("same interval: starts again") << Setting::Interval500 << true << 500;
    QTest::newRow("other interval: starts again") << Setting::Interval600 << true << 600;
    QTest::newRow("enabled while enabled: keeps its phase") << Setting::Enabled << false << 0;
    QTest::newRow("disabled and enabled: starts again") << Setting::DisabledEnabled << true << 500;
}

void StatusDotsTest::timerCountdownAfterASetting()
{
    QFETCH(Setting, setting);
    QFETCH(bool, startsAgain);
    QFETCH(int, countdown);
    IntervalTimer timer;
    QSignalSpy ticks(&timer, &IntervalTimer::timeout);
    timer.setInterval(500);
    // No events are handled meanwhile, so no tick comes however long the machine takes.
    QTest::qSleep(300);
    const int before = timer.remainingTime();
    QVERIFY2(before >= 0 && before <= 200, qPrintable(QString::number(before)));

    QElapsedTimer sinceSetting;
    sinceSetting.start();
    switch (setting) {
    case Setting::Interval500:
        timer.setInterval(500);
        break;
    case Setting::Interval600:
        timer.setInterval(600);
        break;
    case Setting::Enabled:
        timer.setEnabled(true);
        break;
    case Setting::DisabledEnabled:
        timer.setEnabled(false);
        timer.setEnabled(true);
        break;
    }
    const int after = timer.remainingTime();
    const qint64 taken = sinceSetting.elapsed(); // however slow the machine, only this has passed
    if (startsAgain)
        QVERIFY2(after <= countdown && after >= countdown - taken - 1,
                 qPrintable(QStringLiteral("%1 ms left, %2 ms taken").arg(after).arg(taken)));
    else
        QVERIFY2(after <= before,
                 qPrintable(QStringLiteral("%1 ms left, %2 before").arg(after).arg(before)));

    // The tick comes when the countdown is up, never before.
    QVERIFY(ticks.wait(20000));
    QVERIFY2(sinceSetting.elapsed() >= after - 1,
             qPrintable(QString::number(sinceSetting.elapsed())));
}

QTEST_GUILESS_MAIN(StatusDotsTest)
#include "tst_status_dots.moc"
