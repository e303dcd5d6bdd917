#include "platform/linux/ToneSynth.h"

#include "ToneAnalysis.h"

#include <QTest>

using namespace zelkor;

class TestToneSynth : public QObject
{
    Q_OBJECT
private slots:
    void toneHasItsFrequencyAndLength_data();
    void toneHasItsFrequencyAndLength();
    void pausesAreSilentAndStepsFollowEachOther();
};

void TestToneSynth::toneHasItsFrequencyAndLength_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("rate");
    QTest::newRow("reminder beep") << 2350 << 100 << 48000;
    QTest::newRow("low and long") << 440 << 500 << 48000;
    QTest::newRow("other rate") << 1000 << 50 << 44100;
    QTest::newRow("very short") << 2350 << 4 << 48000;
}

void TestToneSynth::toneHasItsFrequencyAndLength()
{
    QFETCH(int, hz);
    QFETCH(int, ms);
    QFETCH(int, rate);
    const std::vector<qint16> s = renderTones({ToneStep{hz, ms}}, rate);
    QCOMPARE(qsizetype(s.size()), qsizetype(std::llround(rate * ms / 1000.0)));
    const int loudest = toneanalysis::peak(s, 0, s.size());
    QVERIFY2(loudest > 10000, "audible");
    // Fades: no jump at either end, the click a hard start would make.
    QVERIFY(std::abs(s.front()) < loudest / 20);
    QVERIFY(std::abs(s.back()) < loudest / 20);
    if (ms >= 20) {
        // The level rises and falls over milliseconds, not within a cycle.
        const size_t halfMs = size_t(rate / 2000);
        QVERIFY(toneanalysis::peak(s, 0, halfMs) < loudest / 4);
        QVERIFY(toneanalysis::peak(s, s.size() - halfMs, s.size()) < loudest / 4);
        const double f = toneanalysis::frequency(s, s.size() / 10, s.size() * 9 / 10, rate);
        QVERIFY2(std::abs(f - hz) < hz * 0.03, qPrintable(QString::number(f)));
    }
}

void TestToneSynth::pausesAreSilentAndStepsFollowEachOther()
{
    const std::vector<qint16> s =
        renderTones({ToneStep{0, 10}, ToneStep{1000, 20}, ToneStep{0, 30}}, 48000);
    QCOMPARE(s.size(), size_t(48 * 60));
    QCOMPARE(toneanalysis::peak(s, 0, 480), 0);
    QCOMPARE(toneanalysis::peak(s, 480 + 960, s.size()), 0);
    QVERIFY(toneanalysis::peak(s, 480, 480 + 960) > 10000);
    QVERIFY(renderTones({}, 48000).empty());
    QVERIFY(renderTones({ToneStep{1000, 0}}, 48000).empty());
}

QTEST_GUILESS_MAIN(TestToneSynth)
#include "tst_tonesynth.moc"
