// The password: its hash and file, the gate's rate limit on the tick count,
// and SafetyKeeper's answers to right and wrong passwords.
#include "CheapHash.h"
#include "guard/GuardSettings.h"
#include "guard/PasswordGate.h"
#include "guard/SafetyKeeper.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

namespace
{
const QString kSecret = QStringLiteral("night-owl 7");

// A keeper over a temporary guard.inc whose password prompts are answered
// from a list, so none blocks.
struct Keeper {
    Keeper()
    {
        keeper.setAsker([this](QWidget*, const QString& label) -> std::optional<QString> {
            labels << label;
            if (answers.isEmpty())
                return std::nullopt;
            return answers.takeFirst();
        });
        MessageBox::resetTestState();
    }
    QString path() const { return dir.filePath(QStringLiteral("guard.inc")); }
    QByteArray file() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool setPassword(const QString& password)
    {
        answers = {password, password};
        keeper.changePassword(nullptr);
        return keeper.isPasswordSet();
    }
    QTemporaryDir dir;
    FakePlatform platform;
    SafetyKeeper keeper{platform, dir.filePath(QStringLiteral("guard.inc"))};
    QStringList answers;
    QStringList labels;
};
} // namespace

class TestPassword : public QObject
{
    Q_OBJECT
private slots:
    void hashIsArgon2idWithSaltAndVerifies()
    {
        const QByteArray first = hashPassword(kSecret);
        const QByteArray second = hashPassword(kSecret);
        QVERIFY(first.startsWith("$argon2id$v=19$"));
        QVERIFY(first != second); // a salt of its own each time
        QVERIFY(!first.contains(kSecret.toUtf8()));
        QVERIFY(verifyPassword(first, kSecret));
        QVERIFY(verifyPassword(second, kSecret));
        QVERIFY(!verifyPassword(first, QStringLiteral("night-owl 8")));
        QVERIFY(!verifyPassword(first, QString()));
        QVERIFY(!verifyPassword(QByteArray(), kSecret));
    }

    void settingsFileRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("warn");
        QTest::addColumn<bool>("hasPassword");
        QTest::addColumn<bool>("problem");
        const QByteArray hash = "$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA";
        QTest::newRow("empty: defaults") << QByteArray() << 60 << false << false;
        QTest::newRow("warning off") << QByteArray("warn=0\n") << 0 << false << false;
        QTest::newRow("negative ignored") << QByteArray("warn=-5\n") << 60 << false << false;
        QTest::newRow("too long ignored") << QByteArray("warn=99999\n") << 60 << false << false;
        QTest::newRow("garbage ignored") << QByteArray("warn=abc\nnoise\n=1\n") << 60 << false << false;
        QTest::newRow("not an argon2id hash") << QByteArray("password=plain\n") << 60 << false << true;
        QTest::newRow("empty password") << QByteArray("warn=5\npassword=\n") << 5 << false << true;
        QTest::newRow("hash") << "warn=30\r\npassword=" + hash + "\r\n" << 30 << true << false;
        QTest::newRow("blanks around =") << "warn = 30\npassword = " + hash + "\n" << 30 << true << false;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBFwarn=30\npassword=" + hash << 30 << true << false;
    }
    void settingsFileRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, warn);
        QFETCH(bool, hasPassword);
        QFETCH(bool, problem);
        const guard::Loaded loaded = guard::parse(bytes, QStringLiteral("/x/guard.inc"));
        const guard::GuardSettings& settings = loaded.settings;
        QCOMPARE(settings.warnSeconds, warn);
        QCOMPARE(!settings.passwordHash.isEmpty(), hasPassword);
        QCOMPARE(loaded.problem.contains(QStringLiteral("/x/guard.inc")), problem);
        const guard::GuardSettings again = guard::parse(guard::format(settings)).settings;
        QCOMPARE(again.warnSeconds, settings.warnSeconds);
        QCOMPARE(again.passwordHash, settings.passwordHash);
    }

    // Replaced, it would lose the password it may hold.
    void unreadableFileIsToldAndKept_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: a folder in its place
        QTest::newRow("a folder") << QByteArray();
        QTest::newRow("a password that is no hash") << QByteArray("warn=30\npassword=secret\n");
    }
    void unreadableFileIsToldAndKept()
    {
        QFETCH(QByteArray, content);
        Keeper k;
        if (content.isEmpty()) {
            QVERIFY(QDir().mkdir(k.path()));
        } else {
            QFile file(k.path());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        QSignalSpy told(&k.keeper, &SafetyKeeper::problem);
        k.keeper.load();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().first().toString().contains(k.path()), qPrintable(told.first().first().toString()));
        QVERIFY(!k.keeper.setWarnSeconds(10).ok);
        if (content.isEmpty()) {
            QVERIFY(QFileInfo(k.path()).isDir());
        } else {
            QFile file(k.path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content);
        }
    }

    void fileLivesBesideLastInc()
    {
        QCOMPARE(guard::filePath(QStringLiteral("/home/u/.config/zelkor/last.inc")),
                 QStringLiteral("/home/u/.config/zelkor/guard.inc"));
        QCOMPARE(guard::filePath(QStringLiteral("/opt/zelkor/last.inc")),
                 QStringLiteral("/opt/zelkor/guard.inc"));
    }

    void setPasswordStoresOnlyTheHash()
    {
        Keeper k;
        QVERIFY(k.setPassword(kSecret));
        const QByteArray bytes = k.file();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^warn=60\npassword=\\$argon2id\\$v=19\\$m=\\d+,t="
                                              "\\d+,p=\\d+\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+\n$"))
                .match(QString::fromLatin1(bytes))
                .hasMatch(),
            bytes.constData());
        QVERIFY(!bytes.contains(kSecret.toUtf8()));
        QCOMPARE(QFile::permissions(k.path()) & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
        // A new keeper over the same file knows it.
        SafetyKeeper reloaded(k.platform, k.path());
        reloaded.load();
        QVERIFY(reloaded.isPasswordSet());
    }

    void allowAnswers_data()
    {
        QTest::addColumn<bool>("passwordSet");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QString>("told");
        QTest::newRow("no password: never asks") << false << QStringList() << true << QString();
        QTest::newRow("right") << true << QStringList{kSecret} << true << QString();
        QTest::newRow("wrong") << true << QStringList{QStringLiteral("guess")} << false
                               << QStringLiteral("Wrong password. Nothing was changed.");
        QTest::newRow("prompt dismissed") << true << QStringList() << false << QString();
    }
    void allowAnswers()
    {
        QFETCH(bool, passwordSet);
        QFETCH(QStringList, answers);
        QFETCH(bool, allowed);
        QFETCH(QString, told);
        Keeper k;
        if (passwordSet)
            QVERIFY(k.setPassword(kSecret));
        k.labels.clear();
        MessageBox::resetTestState();
        MessageBox::setNextAnswers({QMessageBox::Ok});
        k.answers = answers;
        QCOMPARE(k.keeper.allow(nullptr, QStringLiteral("exit Zelkor")), allowed);
        QCOMPARE(k.labels.size(), passwordSet ? 1 : 0);
        QCOMPARE(MessageBox::shownCount() > 0 ? MessageBox::lastText() : QString(), told);
    }

    void fiveWrongTriesWaitThirtySeconds()
    {
        PasswordGate gate;
        gate.setHash(zelkor::test::cheapHash(kSecret));
        quint32 tick = 0xFFFF0000u; // the wait spans the tick count's wrap
        for (int i = 0; i < PasswordGate::kTriesBeforeWait; ++i)
            QCOMPARE(gate.attempt(QStringLiteral("x"), tick), PasswordGate::Result::Wrong);
        QCOMPARE(gate.secondsToWait(tick), 30);
        // While waiting even the right password is not looked at.
        QCOMPARE(gate.attempt(kSecret, tick + 29000), PasswordGate::Result::Waiting);
        QCOMPARE(gate.secondsToWait(tick + 29500), 1);
        tick += 30000;
        QCOMPARE(gate.secondsToWait(tick), 0);
        QCOMPARE(gate.attempt(kSecret, tick), PasswordGate::Result::Accepted);
        // A right one resets the count: four wrong ones do not wait.
        for (int i = 0; i < PasswordGate::kTriesBeforeWait - 1; ++i)
            QCOMPARE(gate.attempt(QStringLiteral("x"), tick), PasswordGate::Result::Wrong);
        QCOMPARE(gate.secondsToWait(tick), 0);
        QCOMPARE(gate.attempt(kSecret, tick), PasswordGate::Result::Accepted);
    }

    void keeperToldToWaitWithoutAsking()
    {
        Keeper k;
        QVERIFY(k.setPassword(kSecret));
        for (int i = 0; i < PasswordGate::kTriesBeforeWait; ++i) {
            k.answers = {QStringLiteral("x")};
            MessageBox::setNextAnswers({QMessageBox::Ok});
            QVERIFY(!k.keeper.allow(nullptr, QStringLiteral("exit")));
        }
        k.labels.clear();
        k.answers = {kSecret};
        MessageBox::setNextAnswers({QMessageBox::Ok});
        QVERIFY(!k.keeper.allow(nullptr, QStringLiteral("exit")));
        QVERIFY(k.labels.isEmpty());
        QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("Too many wrong passwords")));
        k.platform.setUptimeMs(30000);
        QVERIFY(k.keeper.allow(nullptr, QStringLiteral("exit")));
    }

    void changingOrRemovingAsksForTheOldOne()
    {
        Keeper k;
        QVERIFY(k.setPassword(kSecret));
        const QByteArray before = k.file();
        MessageBox::setNextAnswers({QMessageBox::Ok});
        k.answers = {QStringLiteral("wrong"), QStringLiteral("new"), QStringLiteral("new")};
        k.keeper.changePassword(nullptr);
        QCOMPARE(k.file(), before);
        MessageBox::setNextAnswers({QMessageBox::Ok});
        k.answers = {QStringLiteral("wrong")};
        k.keeper.removePassword(nullptr);
        QVERIFY(k.keeper.isPasswordSet());
        QCOMPARE(k.file(), before);
        k.answers = {kSecret};
        k.keeper.removePassword(nullptr);
        QVERIFY(!k.keeper.isPasswordSet());
        QCOMPARE(k.file(), QByteArray("warn=60\n"));
    }

    void mismatchedNewPasswordsChangeNothing()
    {
        Keeper k;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        k.answers = {QStringLiteral("one"), QStringLiteral("two")};
        k.keeper.changePassword(nullptr);
        QVERIFY(!k.keeper.isPasswordSet());
        QVERIFY(!QFile::exists(k.path()));
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TestPassword test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_password.moc"
