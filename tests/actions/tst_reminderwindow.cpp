#include "actions/ActionExecutor.h"
#include "actions/BeepLoop.h"
#include "actions/ReminderWindow.h"
#include "common/Placement.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QAbstractScrollArea>
#include <QTest>
#include <QTimer>

using namespace zelkor;

class TestReminderWindow : public QObject
{
    Q_OBJECT
private slots:
    void loadShowsTheText_data();
    void loadShowsTheText();
    void loadPlacesAtTheGoldenSection();
    void beepsOnceTheStartTimerHasTicked();
    void okDuringABurstLetsItFinish();
    void unheardBeepsAreSaid_data();
    void unheardBeepsAreSaid();
    void otherClosesStopAtOnce_data();
    void otherClosesStopAtOnce();
    void closedBeforeTheFirstTickNeverBeeps();
    void hiddenIsNotClosed();
    void laterTextWhileOpenIsAdded_data();
    void laterTextWhileOpenIsAdded();
    void presentAfterCloseLoadsAnew();
    void presentModalReturnsWhenClosed();
    void eventsRemindActionShowsIt();
    void longTextsScrollWithinTheScreen_data();
    void longTextsScrollWithinTheScreen();
};

void TestReminderWindow::loadShowsTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("message") << QStringLiteral("Take the cake out of the oven");
    QTest::newRow("countdown") << QStringLiteral("Hurry, time is up!");
    QTest::newRow("empty") << QString();
    QTest::newRow("two lines") << QStringLiteral("Call Anna\nabout Sunday");
    QTest::newRow("looks like markup") << QStringLiteral("Water the <b>ferns</b> & <img src=x>");
}

void TestReminderWindow::loadShowsTheText()
{
    QFETCH(QString, text);
    FakePlatform platform;
    AppState state;
    ReminderWindow window(platform, state);
    QCOMPARE(window.m_messageLabel->text(), QStringLiteral("Hurry, time is up!")); // design caption
    QCOMPARE(window.windowTitle(), QStringLiteral("Message"));
    QVERIFY(window.m_messageLabel->font().bold());
    QCOMPARE(window.m_messageLabel->font().pointSizeF(), 9.75);

    state.remindText = text;
    window.present();
    QVERIFY(window.isVisible());
    QCOMPARE(window.m_messageLabel->text(), text);
    QCOMPARE(window.m_messageLabel->textFormat(), Qt::PlainText);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.windowModality(), Qt::NonModal);

    // An empty text beeps like any other.
    window.startBeeping();
    QVERIFY(window.isBeeping());
    QCOMPARE(platform.toneRuns.size(), 1);
}

void TestReminderWindow::loadPlacesAtTheGoldenSection()
{
    FakePlatform platform;
    platform.setScreen(QRect(0, 0, 1280, 1024));
    AppState state;
    ReminderWindow window(platform, state);
    window.present();
    // Placed before it is shown, when the window frame is not known yet: a
    // few pixels of border may be left out.
    const QPoint expected = goldenPlacement(QRect(0, 0, 1280, 1024), window.frameGeometry().size());
    QVERIFY((window.frameGeometry().topLeft() - expected).manhattanLength() <= 8);
    // The vertical centre at 38.2 % of the screen, not in the middle.
    const double centre = window.frameGeometry().center().y() / 1024.0;
    QVERIFY2(qAbs(centre - 0.382) < 0.01, qPrintable(QString::number(centre)));
}

void TestReminderWindow::beepsOnceTheStartTimerHasTicked()
{
    FakePlatform platform;
    AppState state;
    ReminderWindow window(platform, state);
    window.present();
    QCOMPARE(window.m_beepStartTimer->interval(), 500);
    QVERIFY(window.m_beepStartTimer->isActive());
    QVERIFY(!window.isBeeping());
    QVERIFY(platform.toneRuns.isEmpty());

    window.startBeeping();
    QVERIFY(!window.m_beepStartTimer->isActive()); // once per load
    QVERIFY(window.isBeeping());
    QCOMPARE(platform.toneRuns, QList<QList<ToneStep>>{remindBurst()});
    window.beepLoop()->burstEnded();
    QCOMPARE(platform.toneRuns.size(), 2); // not closed: the next burst
}

// The sound's state after each burst: the notice follows it, and a new load
// starts without the last one's.
void TestReminderWindow::unheardBeepsAreSaid_data()
{
    QTest::addColumn<QStringList>("problems"); // as the platform tells after bursts 1, 2, ...
    QTest::addColumn<bool>("shownAtEnd");
    const QString none;
    const QString noDevice = QStringLiteral("no sound server or sound device answered");
    QTest::newRow("heard") << QStringList{none, none} << false;
    QTest::newRow("no sound at all") << QStringList{noDevice, noDevice} << true;
    QTest::newRow("device came back") << QStringList{noDevice, none} << false;
    QTest::newRow("device went away") << QStringList{none, QStringLiteral("the sound device went away")} << true;
}

void TestReminderWindow::unheardBeepsAreSaid()
{
    QFETCH(QStringList, problems);
    QFETCH(bool, shownAtEnd);
    FakePlatform platform;
    AppState state;
    ReminderWindow window(platform, state);
    window.present();
    window.startBeeping();
    QVERIFY(window.m_soundNotice->isHidden()); // nothing is known before a burst has had its time
    for (const QString& problem : problems) {
        platform.toneProblemText = problem;
        window.beepLoop()->burstEnded();
        QCOMPARE(window.m_soundNotice->isVisible(), !problem.isEmpty());
        if (!problem.isEmpty())
            QVERIFY2(window.m_soundNotice->text().contains(problem), qPrintable(window.m_soundNotice->text()));
    }
    QCOMPARE(window.m_soundNotice->isVisible(), shownAtEnd);
    QVERIFY(window.frameGeometry().bottom() <= platform.screenGeometry().bottom());

    window.close();
    window.present();
    window.startBeeping();
    QVERIFY(window.m_soundNotice->isHidden());
}

void TestReminderWindow::okDuringABurstLetsItFinish()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("Stand up");
    ReminderWindow window(platform, state);
    window.present();
    window.startBeeping();
    QTest::mouseClick(window.m_okButton, Qt::LeftButton); // during the first beep

    QVERIFY(window.m_closedByOk);
    QVERIFY(!window.isVisible());
    QCOMPARE(platform.toneStops, 0); // the burst is still heard
    QVERIFY(window.isBeeping());

    window.beepLoop()->burstEnded();
    QVERIFY(!window.isBeeping());
    QCOMPARE(platform.toneRuns.size(), 1);
    QCOMPARE(platform.toneStops, 0);
}

void TestReminderWindow::otherClosesStopAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("title bar") << QStringLiteral("close");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("end of the program") << QStringLiteral("closeAll");
    QTest::newRow("destroyed") << QStringLiteral("delete");
    QTest::newRow("closed while hidden mode has it put away") << QStringLiteral("hiddenClose");
}

void TestReminderWindow::otherClosesStopAtOnce()
{
    QFETCH(QString, how);
    FakePlatform platform;
    AppState state;
    QPointer<ReminderWindow> window = new ReminderWindow(platform, state);
    window->present();
    window->startBeeping();
    window->beepLoop()->burstEnded(); // in the second burst
    QCOMPARE(platform.toneRuns.size(), 2);

    if (how == QLatin1String("close"))
        window->close();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(window.data(), Qt::Key_Escape);
    else if (how == QLatin1String("closeAll"))
        QApplication::closeAllWindows();
    else if (how == QLatin1String("hiddenClose")) {
        window->hide();
        QCOMPARE(platform.toneStops, 0);
        window->close();
    } else
        delete window.data();

    QCOMPARE(platform.toneStops, 1);
    if (window) {
        QVERIFY(!window->isVisible());
        QVERIFY(!window->isBeeping());
        QVERIFY(!window->m_closedByOk); // only OK sets it
        delete window.data();
    }
    QCOMPARE(platform.toneRuns.size(), 2);
}

void TestReminderWindow::closedBeforeTheFirstTickNeverBeeps()
{
    FakePlatform platform;
    AppState state;
    ReminderWindow window(platform, state);
    window.present();
    window.close();
    QVERIFY(!window.m_beepStartTimer->isActive());
    QVERIFY(platform.toneRuns.isEmpty());
}

// Hidden mode hides every window; the reminder stays open, beeps on, is not
// loaded again by a second reminder, and comes back as it was.
void TestReminderWindow::hiddenIsNotClosed()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("first");
    ReminderWindow window(platform, state);
    int closes = 0;
    connect(&window, &ReminderWindow::closed, this, [&closes] { ++closes; });
    window.present();
    window.startBeeping();
    window.hide();
    QVERIFY(window.isOpen());
    window.beepLoop()->burstEnded();
    QCOMPARE(platform.toneRuns.size(), 2);
    QCOMPARE(platform.toneStops, 0);

    state.remindText = QStringLiteral("second");
    window.present();
    QVERIFY(!window.isVisible()); // it comes back with the others, not alone
    QCOMPARE(window.m_messageLabel->text(), QStringLiteral("first\n\nsecond"));
    QCOMPARE(platform.toneRuns.size(), 2); // the beeping did not start over

    window.show();
    QVERIFY(window.isBeeping());
    QCOMPARE(closes, 0);
    QTest::mouseClick(window.m_okButton, Qt::LeftButton);
    QCOMPARE(closes, 1);
    QVERIFY(!window.isOpen());
}

void TestReminderWindow::laterTextWhileOpenIsAdded_data()
{
    QTest::addColumn<QString>("later");
    QTest::addColumn<bool>("modal"); // a Power On task's message
    QTest::addColumn<QString>("shown");
    QTest::newRow("another reminder") << QStringLiteral("second") << false << QStringLiteral("first\n\nsecond");
    QTest::newRow("the same again") << QStringLiteral("first") << false << QStringLiteral("first");
    QTest::newRow("a Power On message") << QStringLiteral("woke for this") << true
                                        << QStringLiteral("first\n\nwoke for this");
}

void TestReminderWindow::laterTextWhileOpenIsAdded()
{
    QFETCH(QString, later);
    QFETCH(bool, modal);
    QFETCH(QString, shown);
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("first");
    ReminderWindow window(platform, state);
    window.present();
    window.startBeeping();
    const QPoint placed = window.pos();

    state.remindText = later;
    platform.setScreen(QRect(0, 0, 1600, 900)); // another golden section, the window still on it
    if (modal) {
        QTimer::singleShot(0, &window, [&] { window.m_okButton->click(); });
        window.presentModal(); // returns once OK was clicked
    } else {
        window.present();
    }
    QCOMPARE(window.m_messageLabel->text(), shown);
    QCOMPARE(window.pos(), placed);
    QVERIFY(!window.m_beepStartTimer->isActive()); // no second loop
    QCOMPARE(platform.toneRuns.size(), 1);
    QCOMPARE(platform.toneStops, 0);
}

void TestReminderWindow::presentAfterCloseLoadsAnew()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("first");
    ReminderWindow window(platform, state);
    window.present();
    window.startBeeping();
    window.m_okButton->click(); // the burst runs on after OK

    state.remindText = QStringLiteral("second");
    platform.setScreen(QRect(0, 0, 800, 600));
    window.present();
    QVERIFY(window.isVisible());
    QVERIFY(!window.m_closedByOk);
    QCOMPARE(window.m_messageLabel->text(), QStringLiteral("second"));
    const QPoint expected = goldenPlacement(QRect(0, 0, 800, 600), window.frameGeometry().size());
    QVERIFY((window.frameGeometry().topLeft() - expected).manhattanLength() <= 8);
    // The tail of the old burst gives way; the new loop waits for its tick.
    QCOMPARE(platform.toneStops, 1);
    QVERIFY(!window.isBeeping());
    QVERIFY(window.m_beepStartTimer->isActive());

    window.startBeeping();
    QCOMPARE(platform.toneRuns.size(), 2);
    QCOMPARE(platform.toneRuns.last(), remindBurst()); // from the first burst
    window.beepLoop()->burstEnded();
    QCOMPARE(platform.toneRuns.size(), 3); // the new loop is not closed
}

void TestReminderWindow::presentModalReturnsWhenClosed()
{
    FakePlatform platform;
    AppState state;
    state.remindText = QStringLiteral("The computer woke up for this");
    ReminderWindow window(platform, state);
    bool sawModal = false;
    bool sawBeeping = false;
    QTimer::singleShot(0, &window, [&] {
        sawModal = window.isVisible() && window.windowModality() == Qt::ApplicationModal &&
                   !window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        window.startBeeping();
        sawBeeping = window.isBeeping();
        window.m_okButton->click();
    });
    window.presentModal();
    QVERIFY(sawModal);
    QVERIFY(sawBeeping);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.m_messageLabel->text(), state.remindText);

    // The non-modal show afterwards is on top again and not modal.
    window.present();
    QCOMPARE(window.windowModality(), Qt::NonModal);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window.close();
}

void TestReminderWindow::eventsRemindActionShowsIt()
{
    FakePlatform platform;
    AppState state;
    MainWindow main(platform, state);
    main.actions().performAction(8, true, QStringLiteral("Water the plants"));
    ReminderWindow* window = main.reminder();
    QVERIFY(window->isVisible());
    QCOMPARE(window->m_messageLabel->text(), QStringLiteral("Water the plants"));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->startBeeping();
    QVERIFY(window->isBeeping());

    main.actions().performAction(8, false, QStringLiteral("Second"));
    QCOMPARE(main.reminder(), window); // one instance
    QCOMPARE(window->m_messageLabel->text(), QStringLiteral("Water the plants\n\nSecond"));
    QCOMPARE(state.remindText, QStringLiteral("Second"));
}

// However many reminders stack up, the window stays on the screen and every
// line of their text can be reached: the text scrolls, never cut off.
void TestReminderWindow::longTextsScrollWithinTheScreen_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("laterLines"); // of a second reminder while the first shows
    QTest::addColumn<QString>("unbroken"); // a run wrapping cannot break, ending the text
    QTest::addColumn<QString>("anywhere"); // text wrapping breaks between characters
    QString key, joined, japanese;
    for (int i = 0; i < 400; ++i)
        key += QLatin1Char("7F3A9C2E5B1D8"[i % 13]);
    for (int i = 0; i < 30; ++i)
        joined += QStringLiteral("part%1").arg(i) + QChar(0x00A0);
    for (int i = 0; i < 120; ++i)
        japanese += QChar(u"\u65e5\u672c\u8a9e\u306e\u6587"[i % 5]);
    QTest::newRow("a short text") << 1 << 0 << QString() << QString();
    QTest::newRow("more lines than the screen holds") << 120 << 0 << QString() << QString();
    QTest::newRow("a second text while the first shows") << 3 << 4 << QString() << QString();
    QTest::newRow("a second text beyond the screen") << 3 << 120 << QString() << QString();
    QTest::newRow("a key wider than the text area") << 1 << 0 << key.left(60) << QString();
    QTest::newRow("a word wider than the screen") << 2 << 0 << key << QString();
    QTest::newRow("a wide word in a second text") << 1 << 1 << key << QString();
    QTest::newRow("words joined by no-break spaces") << 1 << 0 << joined << QString();
    QTest::newRow("Japanese, wrapped between characters") << 1 << 0 << QString() << japanese;
}

void TestReminderWindow::longTextsScrollWithinTheScreen()
{
    QFETCH(int, lines);
    QFETCH(int, laterLines);
    QFETCH(QString, unbroken);
    QFETCH(QString, anywhere);
    // The runs end the last text shown.
    const auto text = [&](int count, bool last) {
        QStringList all;
        for (int i = 1; i <= count; ++i)
            all << QStringLiteral("Line %1 of the reminder").arg(i);
        return all.join(QLatin1Char('\n')) + (last ? QLatin1Char(' ') + unbroken + anywhere : QString());
    };
    FakePlatform platform;
    platform.setScreen(QGuiApplication::primaryScreen()->availableGeometry());
    AppState state;
    state.remindText = text(lines, laterLines == 0);
    ReminderWindow window(platform, state);
    window.present();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    qWarning() << "before" << window.frameGeometry();
    if (laterLines > 0) {
        state.remindText = QStringLiteral("Later: ") + text(laterLines, true);
        window.present();
        QTest::qWait(50);
    }
    const QRect screen = window.screen()->availableGeometry();
    qWarning() << "after" << window.frameGeometry() << screen;
    QVERIFY2(window.frameGeometry().height() <= screen.height(), qPrintable(QString::number(window.height())));
    QVERIFY2(window.frameGeometry().width() <= screen.width(), qPrintable(QString::number(window.width())));
    QVERIFY2(screen.contains(window.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window.x()).arg(window.y()).arg(window.width()).arg(window.height())));
    QLabel* label = window.m_messageLabel;
    QVERIFY2(label->height() >= label->heightForWidth(label->width()),
             qPrintable(QStringLiteral("%1 of %2 px shown").arg(label->height()).arg(label->heightForWidth(label->width()))));
    const auto* scroller = qobject_cast<QAbstractScrollArea*>(label->parentWidget()->parentWidget());
    QVERIFY(scroller);
    // Where it fits, all of it shows at once, without scrolling.
    const int unbrokenWidth = label->fontMetrics().horizontalAdvance(unbroken.trimmed());
    if (lines + laterLines < 20 && unbrokenWidth < screen.width() / 2) {
        QCOMPARE(scroller->verticalScrollBar()->maximum(), 0);
        QCOMPARE(scroller->horizontalScrollBar()->maximum(), 0);
    }
    // However narrow the screen or the user makes it, no line end and no
    // part of a word is out of reach: the text is as wide as its widest
    // run that cannot be broken, and what the area cannot show scrolls.
    window.resize(100, window.height());
    QCoreApplication::processEvents();
    QVERIFY2(label->width() >= unbrokenWidth,
             qPrintable(QStringLiteral("a run of %1 px in %2 px of text").arg(unbrokenWidth).arg(label->width())));
    QVERIFY2(label->width() - label->parentWidget()->width() <= scroller->horizontalScrollBar()->maximum(),
             qPrintable(QStringLiteral("%1 px of text in %2").arg(label->width()).arg(label->parentWidget()->width())));
    // Text that may break anywhere is wrapped, never scrolled sideways.
    if (!anywhere.isEmpty())
        QCOMPARE(scroller->horizontalScrollBar()->maximum(), 0);
}

QTEST_MAIN(TestReminderWindow)
#include "tst_reminderwindow.moc"
