// The real program against a mock notification server on a private session
// bus: a Daily Shut Down task is announced ahead of its second with the
// buttons, and Cancel pressed on the notification keeps the stand-in shut-down
// helper from being started; unanswered, the helper starts at its second. A
// shut down two seconds after a lock is announced before the lock acts.

#include "MockServices.h"
#include "ProgramCopy.h"

#include <QDBusArgument>
#include <QTest>

#include <unistd.h>

using namespace zelkor::test;

namespace
{
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kWarnSeconds = 3;
constexpr int kAheadSeconds = 5;

QStringList stringList(const QVariant& v)
{
    if (v.canConvert<QDBusArgument>()) {
        QStringList list;
        v.value<QDBusArgument>() >> list;
        return list;
    }
    return v.toStringList();
}

QVariantMap variantMap(const QVariant& v)
{
    QVariantMap map;
    if (v.canConvert<QDBusArgument>())
        v.value<QDBusArgument>() >> map;
    return map;
}
} // namespace

class TestE2eWarning : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(m_buses.start(), qPrintable(m_buses.error())); }
    void cleanup() { m_buses.stopAllMocks(); }

    void notificationCarriesTheButtonsAndCancelStopsTheHelper_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("otherUser"); // logged in too, as logind lists
        QTest::newRow("Cancel pressed") << true << QStringLiteral("anna");
        QTest::newRow("unanswered") << false << QString();
    }
    void notificationCarriesTheButtonsAndCancelStopsTheHelper()
    {
        QFETCH(bool, answer);
        QFETCH(QString, otherUser);
        QVERIFY2(startDaemon(), qPrintable(m_buses.error()));
        if (!otherUser.isEmpty()) {
            LogindSetup alone;
            alone.session = false;
            QVERIFY2(startLogind(m_buses, alone), qPrintable(m_buses.error()));
            QCOMPARE(m_buses.control(login1::service, login1::path, QStringLiteral("AddSession"),
                                     {QStringLiteral("9"), QStringLiteral("seat0"),
                                      QVariant::fromValue(getuid() + 1), otherUser, false})
                         .type(),
                     QDBusMessage::ReplyMessage);
        }

        ProgramCopy program;
        QVERIFY(program.isValid());
        QVERIFY(program.setWarnSeconds(kWarnSeconds));
        const QDateTime due = QDateTime::fromSecsSinceEpoch(
            QDateTime::currentDateTime().toSecsSinceEpoch() + kAheadSeconds);
        QVERIFY(program.insert(
            QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                           " sun, mon, tue, wed, thu, fri, sat, state)"
                           " values (2, 1, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
            {timeOfDay(due)}));
        program.start(m_buses.environment());

        const auto notifies = [this] { return notifyCalls(); };
        QTRY_VERIFY_WITH_TIMEOUT(!notifies().isEmpty(), (kAheadSeconds + 2) * 1000);
        const double warnedAt = double(QDateTime::currentMSecsSinceEpoch()) / 1000;
        QVERIFY(program.starts().isEmpty());
        // Announced about kWarnSeconds ahead, not at once.
        QVERIFY2(warnedAt >= double(due.toSecsSinceEpoch() - kWarnSeconds) - 0.2,
                 qPrintable(QString::number(due.toSecsSinceEpoch() - warnedAt)));

        const MockCall notify = notifies().constFirst();
        QCOMPARE(notify.args.size(), 8);
        QCOMPARE(notify.args.at(0).toString(), QStringLiteral("Zelkor"));
        QVERIFY(notify.args.at(3).toString().contains(QStringLiteral("Shut Down")));
        QVERIFY(
            notify.args.at(4).toString().contains(due.time().toString(QStringLiteral("HH:mm:ss"))));
        const QString body = notify.args.at(4).toString();
        QVERIFY2(body.contains(QStringLiteral("Other users are logged in (%1)").arg(otherUser)) ==
                     !otherUser.isEmpty(),
                 qPrintable(body));
        QCOMPARE(stringList(notify.args.at(5)),
                 (QStringList{QStringLiteral("cancel"), QStringLiteral("Cancel"),
                              QStringLiteral("postpone"), QStringLiteral("Postpone 10 minutes")}));
        QCOMPARE(variantMap(notify.args.at(6)).value(QStringLiteral("urgency")).toInt(), 2);

        if (answer)
            QVERIFY(m_buses.emitSignal(kService, kPath, kService, QStringLiteral("ActionInvoked"),
                                       QStringLiteral("us"),
                                       {QVariant::fromValue(uint(1)), QStringLiteral("cancel")}));
        const double waitMs = (double(due.toSecsSinceEpoch()) + 1.5) * 1000 -
                              double(QDateTime::currentMSecsSinceEpoch());
        QTest::qWait(int(qMax(0.0, waitMs)));
        QVERIFY(program.running());
        const auto starts = program.starts();
        program.stop();
        if (answer) {
            QVERIFY(starts.isEmpty());
            return;
        }
        QCOMPARE(starts.size(), 1);
        const double lateness = starts.first().second - double(due.toSecsSinceEpoch());
        QVERIFY2(lateness >= 0 && lateness < 1.0, qPrintable(QString::number(lateness)));
    }

    void powerActionsWithinOneLeadAreAnnouncedBeforeTheFirstActs()
    {
        QVERIFY2(startDaemon(), qPrintable(m_buses.error()));
        ProgramCopy program;
        QVERIFY(program.isValid());
        QVERIFY(program.setWarnSeconds(kWarnSeconds));
        const QDateTime lockAt = QDateTime::fromSecsSinceEpoch(
            QDateTime::currentDateTime().toSecsSinceEpoch() + kAheadSeconds + 1);
        for (const auto& [action, at] : {std::pair{6, lockAt}, std::pair{1, lockAt.addSecs(2)}})
            QVERIFY(program.insert(
                QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                               " sun, mon, tue, wed, thu, fri, sat, state)"
                               " values (2, ?, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
                {action, timeOfDay(at)}));
        program.start(m_buses.environment());

        QTRY_COMPARE_WITH_TIMEOUT(notifyCalls().size(), 2, (kAheadSeconds + 4) * 1000);
        // The shut down's warning comes a full lead ahead, a second before the lock takes the screen.
        const qint64 bothShownMs = QDateTime::currentMSecsSinceEpoch();
        QVERIFY2(bothShownMs < lockAt.toMSecsSinceEpoch(),
                 qPrintable(QString::number(bothShownMs - lockAt.toMSecsSinceEpoch())));
        QVERIFY(notifyCalls().at(0).args.at(3).toString().contains(QStringLiteral("Lock")));
        QVERIFY(notifyCalls().at(1).args.at(3).toString().contains(QStringLiteral("Shut Down")));
        QTRY_VERIFY_WITH_TIMEOUT(!program.starts().isEmpty(), 5000);
        const auto starts = program.starts();
        program.stop();
        QCOMPARE(starts.first().first, QStringLiteral("guan_f.dll"));
    }

private:
    bool startDaemon()
    {
        MockSpec daemon;
        daemon.bus = Bus::Session;
        daemon.name = kService;
        daemon.templateName = QStringLiteral("notification_daemon");
        daemon.templateParams = QStringLiteral(R"({"capabilities": "actions body"})");
        return m_buses.startMock(daemon);
    }
    QList<MockCall> notifyCalls()
    {
        QList<MockCall> found;
        for (const MockCall& call : m_buses.calls(kService, kPath))
            if (call.method == QLatin1String("Notify"))
                found << call;
        return found;
    }

    MockBuses m_buses;
};

QTEST_GUILESS_MAIN(TestE2eWarning)
#include "tst_e2e_warning.moc"
