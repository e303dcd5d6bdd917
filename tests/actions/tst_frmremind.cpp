#include "actions/ActionExecutor.h"
#include "actions/BeepLoop.h"
#include "actions/FrmRemind.h"
#include "common/Placement.h"
#include "platform/fake/FakePlatform.h"
#include "shell/FrmMain.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace zelkor;

class TstFrmRemind : public QObject {
    Q_OBJECT
private slots:
    void loadShowsTheText_data();
    void loadShowsTheText();
    void loadPlacesAtTheGoldenSection();
    void beepsOnceTimer1HasTicked();
    void okDuringABurstLetsItFinish();
    void otherClosesStopAtOnce_data();
    void otherClosesStopAtOnce();
    void closedBeforeTheFirstTickNeverBeeps();
    void secondPresentWhileOpenKeepsTheFirst();
    void presentAfterCloseLoadsAnew();
    void presentModalReturnsWhenClosed();
    void eventsRemindActionShowsIt();
};

void TstFrmRemind::loadShowsTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("message") << QStringLiteral("Take the cake out of the oven");
    QTest::newRow("countdown") << QStringLiteral("Hurry, time is up!");
    QTest::newRow("empty") << QString();
    QTest::newRow("two lines") << QStringLiteral("Call Anna\nabout Sunday");
}

void TstFrmRemind::loadShowsTheText()
{
    QFETCH(QString, text);
    FakePlatform platform;
    AppState state;
    FrmRemind window(platform, state);
    QCOMPARE(window.Label1->text(), QStringLiteral("Hurry, time is up!")); // design caption
    QCOMPARE(window.windowTitle(), QStringLiteral("Message"));
    QVERIFY(window.Label1->font().bold());
    QCOMPARE(window.Label1->font().pointSizeF(), 9.75);

    state.remindText = text;
    window.present();
    QVERIFY(window.isVisible());
    QCOMPARE(window.Label1->text(), text);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.windowModality(), Qt::NonModal);

    // An empty text beeps like any other.
    window.Timer1_Timer();
    QVERIFY(window.isBeeping());
    QCOMPARE(platform.toneRuns.size(), 1);
}

void TstFrmRemind::loadPlacesAtTheGoldenSection()
{
    FakePlatform platform;
    platform.setScreen(QRect(0, 0, 1280, 1024));
    AppState state;
    FrmRemind window(platform, state);
    window.present();
    // Placed before it is shown, when the window frame is not known yet: a
    // few pixels of border may be left out.
    const QPoint expected = goldenPlacement(QRect(0, 0, 1280, 1024), window.frameGeometry().size());
    QVERIFY((window.frameGeometry().topLeft() - expected).manhattanLength() <= 8);
    // The vertical centre at 38.2 % of the screen, not in the middle.
    const double centre = window.frameGeometry().center().y() / 1024.0;
    QVERIFY2(qAbs(centre - 0.382) < 0.01, qPrintable(QString::number(centre)));
}

void TstFrmRemind::beepsOnceTimer1HasTicked()
{
    FakePlatform platform;
    AppState state;
    FrmRemind window(platform, state);
    window.present();
    QCOMPARE(window.Timer1->interval(), 500);
    QVERIFY(window.Timer1->isActive());
    QVERIFY(!window.isBeeping());
    QVERIFY(platform.toneRuns.isEmpty());

    window.Timer1_Timer();
    QVERIFY(!window.Timer1->isActive()); // once per load
    QVERIFY(window.isBeeping());
    QCOMPARE(platform.toneRuns, QList<QList<ToneStep>>{remindBurst()});
    window.beepLoop()->burstEnded();
    QCOMPARE(platform.toneRuns.size(), 2); // not closed: the next burst
}

void TstFrmRemind::okDuringABurstLetsItFinish()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("Stand up");
    FrmRemind window(platform, state);
    window.present();
    window.Timer1_Timer();
    QTest::mouseClick(window.Command1, Qt::LeftButton); // during the first beep

    QVERIFY(window.remindClosed);
    QVERIFY(!window.isVisible());
    QCOMPARE(platform.toneStops, 0); // the burst is still heard
    QVERIFY(window.isBeeping());

    window.beepLoop()->burstEnded();
    QVERIFY(!window.isBeeping());
    QCOMPARE(platform.toneRuns.size(), 1);
    QCOMPARE(platform.toneStops, 0);
}

void TstFrmRemind::otherClosesStopAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("title bar") << QStringLiteral("close");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("end of the program") << QStringLiteral("closeAll");
    QTest::newRow("destroyed") << QStringLiteral("delete");
}

void TstFrmRemind::otherClosesStopAtOnce()
{
    QFETCH(QString, how);
    FakePlatform platform;
    AppState state;
    QPointer<FrmRemind> window = new FrmRemind(platform, state);
    window->present();
    window->Timer1_Timer();
    window->beepLoop()->burstEnded(); // in the second burst
    QCOMPARE(platform.toneRuns.size(), 2);

    if (how == QLatin1String("close"))
        window->close();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(window.data(), Qt::Key_Escape);
    else if (how == QLatin1String("closeAll"))
        QApplication::closeAllWindows();
    else
        delete window.data();

    QCOMPARE(platform.toneStops, 1);
    if (window) {
        QVERIFY(!window->isVisible());
        QVERIFY(!window->isBeeping());
        QVERIFY(!window->remindClosed); // only OK sets it
        delete window.data();
    }
    QCOMPARE(platform.toneRuns.size(), 2);
}

void TstFrmRemind::closedBeforeTheFirstTickNeverBeeps()
{
    FakePlatform platform;
    AppState state;
    FrmRemind window(platform, state);
    window.present();
    window.close();
    QVERIFY(!window.Timer1->isActive());
    QVERIFY(platform.toneRuns.isEmpty());
}

void TstFrmRemind::secondPresentWhileOpenKeepsTheFirst()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("first");
    FrmRemind window(platform, state);
    window.present();
    window.Timer1_Timer();
    const QPoint placed = window.pos();

    state.remindText = QStringLiteral("second");
    platform.setScreen(QRect(0, 0, 800, 600));
    window.present();
    QCOMPARE(window.Label1->text(), QStringLiteral("first"));
    QCOMPARE(window.pos(), placed);
    QVERIFY(!window.Timer1->isActive()); // no second loop
    QVERIFY(window.isBeeping());
    QCOMPARE(platform.toneRuns.size(), 1);
    QCOMPARE(platform.toneStops, 0);
}

void TstFrmRemind::presentAfterCloseLoadsAnew()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("first");
    FrmRemind window(platform, state);
    window.present();
    window.Timer1_Timer();
    window.Command1->click(); // the burst runs on after OK

    state.remindText = QStringLiteral("second");
    platform.setScreen(QRect(0, 0, 800, 600));
    window.present();
    QVERIFY(window.isVisible());
    QVERIFY(!window.remindClosed);
    QCOMPARE(window.Label1->text(), QStringLiteral("second"));
    const QPoint expected = goldenPlacement(QRect(0, 0, 800, 600), window.frameGeometry().size());
    QVERIFY((window.frameGeometry().topLeft() - expected).manhattanLength() <= 8);
    // The tail of the old burst gives way; the new loop waits for its tick.
    QCOMPARE(platform.toneStops, 1);
    QVERIFY(!window.isBeeping());
    QVERIFY(window.Timer1->isActive());

    window.Timer1_Timer();
    QCOMPARE(platform.toneRuns.size(), 2);
    QCOMPARE(platform.toneRuns.last(), remindBurst()); // from the first burst
    window.beepLoop()->burstEnded();
    QCOMPARE(platform.toneRuns.size(), 3); // the new loop is not closed
}

void TstFrmRemind::presentModalReturnsWhenClosed()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("The computer woke up for this");
    FrmRemind window(platform, state);
    bool sawModal = false;
    bool sawBeeping = false;
    QTimer::singleShot(0, &window, [&] {
        sawModal = window.isVisible() && window.windowModality() == Qt::ApplicationModal &&
                   !window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        window.Timer1_Timer();
        sawBeeping = window.isBeeping();
        window.Command1->click();
    });
    window.presentModal();
    QVERIFY(sawModal);
    QVERIFY(sawBeeping);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.Label1->text(), state.remindText);

    // The non-modal show afterwards is on top again and not modal.
    window.present();
    QCOMPARE(window.windowModality(), Qt::NonModal);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window.close();
}

void TstFrmRemind::eventsRemindActionShowsIt()
{
    FakePlatform platform;
    AppState state;
    FrmMain main(platform, state);
    main.actions().PerformAction(8, true, QStringLiteral("Water the plants"));
    FrmRemind* window = main.reminder();
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label1->text(), QStringLiteral("Water the plants"));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->Timer1_Timer();
    QVERIFY(window->isBeeping());

    main.actions().PerformAction(8, false, QStringLiteral("Second"));
    QCOMPARE(main.reminder(), window); // one instance
    QCOMPARE(window->Label1->text(), QStringLiteral("Water the plants"));
    QCOMPARE(state.remindText, QStringLiteral("Second"));
}

QTEST_MAIN(TstFrmRemind)
#include "tst_frmremind.moc"
