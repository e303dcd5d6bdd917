#include "platform/linux/PlainWindowUpdates.h"

#include <QTest>

using namespace zelkor;

namespace {
constexpr char kVariable[] = "QT_XCB_NO_MITSHM";

// The variable's state: null when unset.
QByteArray state()
{
    return qEnvironmentVariableIsSet(kVariable) ? qgetenv(kVariable) : QByteArray();
}
} // namespace

// Window updates go over the X connection while the application connects;
// afterwards the environment is as the user left it, for the programs
// started from here.
class TestPlainWindowUpdates : public QObject {
    Q_OBJECT
private slots:
    void chosenWhileConnectingOnly_data()
    {
        QTest::addColumn<QByteArray>("user"); // null: not set by the user
        QTest::addColumn<QByteArray>("whileConnecting");
        QTest::newRow("not set") << QByteArray() << QByteArray("1");
        QTest::newRow("the user's own choice") << QByteArray("1") << QByteArray("1");
        QTest::newRow("set empty by the user") << QByteArray("") << QByteArray("");
    }

    void chosenWhileConnectingOnly()
    {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, whileConnecting);
        user.isNull() ? qunsetenv(kVariable) : qputenv(kVariable, user);
        {
            PlainWindowUpdates updates;
            QCOMPARE(qEnvironmentVariableIsSet(kVariable), true);
            QCOMPARE(state(), whileConnecting);
            updates.connected();
            QCOMPARE(state().isNull(), user.isNull());
            QCOMPARE(state(), user);
            updates.connected(); // twice is once
            QCOMPARE(state(), user);
        }
        QCOMPARE(state(), user);
        qunsetenv(kVariable);
    }
};

QTEST_APPLESS_MAIN(TestPlainWindowUpdates)
#include "tst_plainwindowupdates.moc"
