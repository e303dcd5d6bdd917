#include "shell/TerminationWatcher.h"

#include <QTest>

#include <csignal>

using namespace zelkor;

// The end of the session arrives as a signal; the program must turn it into
// its own orderly Exit on the event loop instead of dying mid-way.
class TestTerminationWatcher : public QObject {
    Q_OBJECT
private slots:
    void signalsBecomeACallOnTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalsBecomeACallOnTheEventLoop()
    {
        QFETCH(int, signal);
        int calls = 0;
        TerminationWatcher watcher([&calls] { ++calls; });
        std::raise(signal);
        QCOMPARE(calls, 0); // not inside the signal handler
        QTRY_COMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestTerminationWatcher)
#include "tst_terminationwatcher.moc"
