// Which calls each helper name makes, and when it goes on to the next one:
// plain decisions, checked without any bus.

#include "HelperPlan.h"
#include "HelperRunner.h"

#include <QTest>

using namespace zelkor::helper;

namespace {
bool isLogind(const Attempt& a) { return a.service == QLatin1String("org.freedesktop.login1"); }
} // namespace

class TestHelperPlan : public QObject {
    Q_OBJECT
private slots:
    void unknownNamesHaveNoPlan_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("the program's own file") << QStringLiteral("zelkor-helper");
        QTest::newRow("other letter case") << QStringLiteral("GUAN.DLL");
        QTest::newRow("without extension") << QStringLiteral("guan");
        QTest::newRow("longer name") << QStringLiteral("guan.dll.bak");
        QTest::newRow("log off has no forced name") << QStringLiteral("log_f.dll");
        QTest::newRow("lock has no forced name") << QStringLiteral("suo_f.dll");
    }
    void unknownNamesHaveNoPlan()
    {
        QFETCH(QString, name);
        QVERIFY(!planFor(name).has_value());
    }

    void forcedNamesCallLogindAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("method");
        QTest::newRow("shut down") << QStringLiteral("guan_f.dll") << QStringLiteral("PowerOff");
        QTest::newRow("restart") << QStringLiteral("res_f.dll") << QStringLiteral("Reboot");
        QTest::newRow("stand by") << QStringLiteral("gua_f.dll") << QStringLiteral("Suspend");
    }
    void forcedNamesCallLogindAlone()
    {
        QFETCH(QString, name);
        QFETCH(QString, method);
        const auto plan = planFor(name);
        QVERIFY(plan);
        QCOMPARE(plan->attempts.size(), 1);
        const Attempt& a = plan->attempts.constFirst();
        QVERIFY(isLogind(a));
        QCOMPARE(a.bus, Bus::System);
        QCOMPARE(a.method, method);
        // Not interactive: a helper has no way to show a password prompt.
        QCOMPARE(a.args, QVariantList{QVariant(false)});
    }

    // Plain variants let the desktop ask its applications first; logind comes
    // last and then only with inhibitors honoured.
    void plainNamesAskTheDesktopFirst_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lastMethod");
        QTest::addColumn<int>("sessionManagers");
        QTest::newRow("shut down")
            << QStringLiteral("guan.dll") << QStringLiteral("PowerOffWithFlags") << 4;
        QTest::newRow("restart") << QStringLiteral("res.dll") << QStringLiteral("RebootWithFlags")
                                 << 4;
        QTest::newRow("log off") << QStringLiteral("log.dll") << QStringLiteral("Terminate") << 4;
        QTest::newRow("stand by") << QStringLiteral("gua.dll") << QStringLiteral("SuspendWithFlags")
                                  << 0;
    }
    void plainNamesAskTheDesktopFirst()
    {
        QFETCH(QString, name);
        QFETCH(QString, lastMethod);
        QFETCH(int, sessionManagers);
        const auto plan = planFor(name);
        QVERIFY(plan);
        const Attempt& last = plan->attempts.constLast();
        QVERIFY(isLogind(last));
        QCOMPARE(last.method, lastMethod);
        if (lastMethod.endsWith(QLatin1String("WithFlags"))) {
            QCOMPARE(last.args.size(), 1);
            QCOMPARE(last.args.constFirst().metaType(), QMetaType::fromType<quint64>());
            QCOMPARE(last.args.constFirst().toULongLong(), 1u);
        }
        int seen = 0;
        for (qsizetype i = 0; i < plan->attempts.size() - 1; ++i) {
            const Attempt& a = plan->attempts.at(i);
            QVERIFY2(a.sessionManager, qPrintable(a.service));
            QCOMPARE(a.bus, Bus::Session);
            ++seen;
        }
        QCOMPARE(seen, sessionManagers);
        QVERIFY(!last.sessionManager);
    }

    void lockTriesLogindThenTheScreenSaver()
    {
        const auto plan = planFor(QStringLiteral("suo.dll"));
        QVERIFY(plan);
        QCOMPARE(plan->attempts.size(), 2);
        QCOMPARE(plan->attempts.at(0).path, QStringLiteral("/org/freedesktop/login1/session/auto"));
        QCOMPARE(plan->attempts.at(0).method, QStringLiteral("Lock"));
        QCOMPARE(plan->attempts.at(1).service, QStringLiteral("org.freedesktop.ScreenSaver"));
        QCOMPARE(plan->attempts.at(1).bus, Bus::Session);
    }

    void everyKnownNameHasAPlan()
    {
        const QStringList names = knownNames();
        QCOMPARE(names.size(), 8);
        for (const QString& name : names)
            QVERIFY2(planFor(name).has_value(), qPrintable(name));
    }

    void errorsAreSorted_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("result");
        QTest::newRow("nobody owns the name")
            << QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
            << int(CallResult::NotThere);
        QTest::newRow("no such method")
            << QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod")
            << int(CallResult::NotThere);
        QTest::newRow("no such object")
            << QStringLiteral("org.freedesktop.DBus.Error.UnknownObject")
            << int(CallResult::NotThere);
        QTest::newRow("not in a session")
            << QStringLiteral("org.freedesktop.login1.NoSuchSession") << int(CallResult::NotThere);
        QTest::newRow("no reply") << QStringLiteral("org.freedesktop.DBus.Error.NoReply")
                                  << int(CallResult::NoAnswer);
        QTest::newRow("not allowed") << QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")
                                     << int(CallResult::Refused);
        QTest::newRow("inhibited") << QStringLiteral("org.freedesktop.login1.OperationInProgress")
                                   << int(CallResult::Refused);
        QTest::newRow("polkit says no")
            << QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
            << int(CallResult::Refused);
    }
    void errorsAreSorted()
    {
        QFETCH(QString, error);
        QFETCH(int, result);
        QCOMPARE(int(classifyError(error)), result);
    }

    void whenToGoOn_data()
    {
        QTest::addColumn<bool>("sessionManager");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("goOn");
        QTest::newRow("accepted") << true << int(CallResult::Done) << false;
        QTest::newRow("logind accepted") << false << int(CallResult::Done) << false;
        QTest::newRow("session manager absent") << true << int(CallResult::NotThere) << true;
        // Locked down, or already ending the session; or still asking the
        // user: logind must not override the answer.
        QTest::newRow("session manager refused") << true << int(CallResult::Refused) << false;
        QTest::newRow("session manager busy") << true << int(CallResult::NoAnswer) << false;
        QTest::newRow("logind silent") << false << int(CallResult::NoAnswer) << true;
        QTest::newRow("logind refused") << false << int(CallResult::Refused) << true;
    }
    void whenToGoOn()
    {
        QFETCH(bool, sessionManager);
        QFETCH(int, result);
        QFETCH(bool, goOn);
        Attempt attempt;
        attempt.sessionManager = sessionManager;
        QCOMPARE(nextAfter(attempt, CallResult(result)) == Next::TryNext, goOn);
    }

    void failureTextNamesTheActionAndEachCause()
    {
        const auto plan = planFor(QStringLiteral("res.dll"));
        QVERIFY(plan);
        RunResult result;
        result.messages = {QStringLiteral("No desktop session manager is running."),
                           QStringLiteral("The login manager (logind) refused: Access denied")};
        const QStringList text = failureText(*plan, result);
        QCOMPARE(text.size(), 3);
        QCOMPARE(text.at(0), QStringLiteral("Could not restart the computer."));
        QVERIFY(text.at(2).contains(QLatin1String("Access denied")));
    }
};

QTEST_GUILESS_MAIN(TestHelperPlan)
#include "tst_helper_plan.moc"
