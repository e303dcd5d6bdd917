// The settings file "last.inc" as the running program keeps it: saved when an
// option changes and at Exit, read at start-up, left alone when it is only read.
#include "ShellProgram.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/TimerTab.h"
#include "shell/Autostart.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "shell/SettingsKeeper.h"
#include "shell/ShellVisibility.h"
#include "shell/TrayIcon.h"
#include "support/Zone.h"

#include <QCheckBox>
#include <QTimer>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QRadioButton>

#include <sys/stat.h>
#include <unistd.h>
#include <sys/sysmacros.h>

using namespace zelkor;
using namespace zelkor::test;

class TestShellSettings : public ShellTest {
    Q_OBJECT
private slots:
    void checkingStartInTrayWritesAllLinesAtOnce()
    {
        Program p;
        p.start();
        QVERIFY(!QFile::exists(p.settingsPath()));
        p.window->timerTab()->m_actionCombo->setCurrentIndex(7); // not saved by itself
        QVERIFY(!QFile::exists(p.settingsPath()));
        p.options().m_startInTrayCheck->click();
        const QByteArray bytes = fileBytes(p.settingsPath());
        QCOMPARE(bytes.count("\r\n"), 13);
        QVERIFY(bytes.endsWith(" 1\r\n 1\r\n 0\r\n 8\r\n"));
        QCOMPARE(bytes, settings::format(p.window->settingsKeeper()->currentRecord()));
        p.options().m_startHiddenCheck->setChecked(true); // a change by the program saves as well
        QVERIFY(fileBytes(p.settingsPath()).endsWith(" 1\r\n 1\r\n 1\r\n 8\r\n"));
    }

    void startingInTheTrayDoesNotRewriteTheFile()
    {
        Program p;
        // Numbers without their blank: a rewrite would add it.
        const QByteArray file = "False\r\nFalse\r\nTrue\r\nFalse\r\n\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n9\r\n";
        writeBytes(p.settingsPath(), file);
        p.start();
        QCOMPARE(fileBytes(p.settingsPath()), file);
        QVERIFY(p.options().m_startInTrayCheck->isChecked());
        QVERIFY(!p.window->timerTab()->m_forceCheck->isChecked());
        QCOMPARE(p.window->timerTab()->m_actionCombo->currentText(),
                 QStringLiteral("Open a file or URL"));
        QVERIFY(p.window->timerTab()->m_modeButtons[2]->isChecked()); // "Windows Run:"
        QCOMPARE(p.window->timerTab()->timerMode(), 2);
        QVERIFY(p.window->timerTab()->m_uptimeHoursEdit->isEnabled());
        QVERIFY(!p.window->timerTab()->m_afterHoursEdit->isEnabled());
        // In the tray: minimized, hidden, "Show/Hide main window" unchecked.
        QVERIFY(!p.menu().m_showAction->isChecked());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.state.hiddenMode);
        QVERIFY(p.window->trayIcon()->wanted());
    }

    void timerTabSurvivesARestart()
    {
        QByteArray saved;
        {
            Program p;
            p.start();
            TimerTab* tab = p.window->timerTab();
            tab->m_modeButtons[3]->click();
            tab->m_idleMinutesEdit->setTime(QTime(0, 42));
            tab->m_afterHoursEdit->setTime(QTime(5, 0));
            tab->m_uptimeMinutesEdit->setTime(QTime(0, 17));
            p.window->exitProgram();
            saved = fileBytes(p.settingsPath());
        }
        QCOMPARE(saved.count("\r\n"), 13);
        Program p;
        writeBytes(p.settingsPath(), saved);
        p.start();
        TimerTab* tab = p.window->timerTab();
        QVERIFY(tab->m_modeButtons[3]->isChecked());
        QCOMPARE(tab->timerMode(), 3);
        QVERIFY(tab->m_idleMinutesEdit->isEnabled());
        QCOMPARE(tab->m_idleMinutesEdit->time().minute(), 42);
        QCOMPARE(tab->m_afterHoursEdit->time().hour(), 5);
        QCOMPARE(tab->m_uptimeMinutesEdit->time().minute(), 17);
        QCOMPARE(tab->m_uptimeHoursEdit->time().hour(), 3); // untouched: the design value
    }

    void pickerLinesHoldTheTimeShown_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin");
        QTest::newRow("Kolkata, half an hour") << QByteArray("Asia/Kolkata");
        QTest::newRow("Santiago, summer time in January") << QByteArray("America/Santiago");
        QTest::newRow("UTC") << QByteArray("UTC");
    }
    // The lines are the pickers' readings: a file written by hand, or saved
    // in another time zone, shows the same hours and minutes.
    void pickerLinesHoldTheTimeShown()
    {
        QFETCH(QByteArray, zone);
        useZone(zone);
        Program p;
        writeBytes(p.settingsPath(), "True\r\nFalse\r\nFalse\r\nFalse\r\n05:00:00\r\n00:30:00\r\n");
        p.start();
        TimerTab* tab = p.window->timerTab();
        const QTime hours = tab->m_afterHoursEdit->time();
        const QTime minutes = tab->m_afterMinutesEdit->time();
        p.window->exitProgram();
        const QList<QByteArray> lines = fileBytes(p.settingsPath()).split('\n');
        useDefaultZone();
        QCOMPARE(hours.hour(), 5);
        QCOMPARE(minutes.minute(), 30);
        QCOMPARE(lines.value(4).trimmed(), QByteArray("05:00:00"));
        QCOMPARE(lines.value(5).trimmed(), QByteArray("00:30:00"));
    }

    void startingInTheTrayWithoutATrayStaysReachable()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(9, '\n') + " 1\r\n 1\r\n 0\r\n");
        p.start(false);
        QVERIFY(p.window->isMinimized());
        QVERIFY(p.window->isVisible()); // minimized, not gone
    }

    void startHiddenCheckStartsHidden()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(10, '\n') + " 1\r\n 1\r\n");
        p.start();
        QVERIFY(p.state.hiddenMode);
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.window->trayIcon()->wanted()); // no icon either
        p.window->visibility()->onHotKey();
        QVERIFY(!p.state.hiddenMode);
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.window->trayIcon()->wanted());
        QCOMPARE(p.window->trayIcon()->tip(), QStringLiteral("Zelkor"));
    }

    void shortFileLeavesTheRestAtDesignValues()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(9, '\n') + "x\r\n");
        p.start();
        QVERIFY(!p.window->timerTab()->m_forceCheck->isChecked()); // a letter reads 0
        QCOMPARE(p.window->timerTab()->m_actionCombo->currentIndex(), 0);
        QVERIFY(!p.options().m_startInTrayCheck->isChecked());
        QVERIFY(p.window->isVisible());
    }

    void harmlessFilesStartNormally_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\r\n\x80\x81", 8).repeated(50);
        QTest::newRow("garbage") << QByteArray("zz\r\n%%%\r\n-\r\n1/1/1\r\n99:99\r\n\r\n\r\n\r\n\r\n 7\r\n 3\r\n-1\r\n 42\r\n");
        QTest::newRow("truncated") << QByteArray("True\r\nFal");
    }
    void harmlessFilesStartNormally()
    {
        QFETCH(QByteArray, bytes);
        Program p;
        writeBytes(p.settingsPath(), bytes);
        p.start();
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.state.hiddenMode);
        QVERIFY(!p.options().m_startInTrayCheck->isChecked());
        const int action = p.window->timerTab()->m_actionCombo->currentIndex();
        QVERIFY(action >= 0 && action < 9);
        QCOMPARE(fileBytes(p.settingsPath()), bytes);
    }

    void exitSavesAndDropsIconAndFilter()
    {
        Program p;
        p.start();
        QVERIFY(p.platform.inhibitorHeld);
        p.window->timerTab()->m_actionCombo->setCurrentIndex(4);
        p.window->exitProgram();
        QVERIFY(p.state.exitRequested);
        QVERIFY(!p.window->powerOn()->m_cycleTimer->isActive());
        QVERIFY(!p.window->trayIcon()->wanted());
        QVERIFY(!p.platform.inhibitorHeld);
        const QByteArray bytes = fileBytes(p.settingsPath());
        QCOMPARE(bytes.count("\r\n"), 13);
        QVERIFY(bytes.endsWith(" 0\r\n 0\r\n 5\r\n"));
    }

    void exitFromTheTrayOrHiddenSaves_data()
    {
        QTest::addColumn<bool>("hidden");
        QTest::newRow("in the tray") << false;
        QTest::newRow("hidden mode") << true;
    }
    void exitFromTheTrayOrHiddenSaves()
    {
        QFETCH(bool, hidden);
        Program p;
        p.start();
        if (hidden)
            p.window->visibility()->onHotKey();
        else
            p.window->visibility()->onTrayClicked();
        QVERIFY(!p.window->isVisible());
        p.window->exitProgram();
        QCOMPARE(fileBytes(p.settingsPath()).count("\r\n"), 13);
    }

    // A file that cannot be written at Exit: the user learns it before the
    // program ends, in a box that waits, unless the cause was told already.
    void exitTellsWhatItCouldNotSave_data()
    {
        QTest::addColumn<bool>("toldBefore");
        QTest::newRow("first found at Exit") << false;
        QTest::newRow("told while running") << true;
    }
    void exitTellsWhatItCouldNotSave()
    {
        QFETCH(bool, toldBefore);
        Program p;
        p.start();
        QVERIFY(QFile::remove(p.settingsPath()) || !QFile::exists(p.settingsPath()));
        QVERIFY(QDir().mkdir(p.settingsPath())); // nothing can be written there now
        MessageBox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
        if (toldBefore)
            p.options().m_startInTrayCheck->click();
        const int before = MessageBox::shownCount();
        p.window->exitProgram();
        QVERIFY(p.state.exitRequested);
        QCOMPARE(MessageBox::shownCount(), before + (toldBefore ? 0 : 1));
        QVERIFY2(MessageBox::lastText().contains(p.settingsPath()), qPrintable(MessageBox::lastText()));
        QVERIFY(QDir().rmdir(p.settingsPath()));
    }

    // A FIFO, a folder or a link to a device where the program keeps its
    // files: start-up neither hangs nor reads it, says so once, and neither a
    // save nor the autostart switch replaces it.
    void specialFilesAreToldAndLeftAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const char* file : {"settings", "autostart"}) {
            for (const char* kind : {"FIFO", "directory", "link to character device"})
                QTest::addRow("%s: %s", file, kind) << QString::fromLatin1(file)
                                                    << QString::fromLatin1(kind);
        }
    }
    void specialFilesAreToldAndLeftAlone()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        Program p;
        const bool settingsFile = file == QLatin1String("settings");
        const QString path = settingsFile ? p.settingsPath() : autostart::entryPath();
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
        const QByteArray name = QFile::encodeName(path);
        const QString node = p.dir.path() + QStringLiteral("/node"); // our own folder, never /dev
        if (kind == QLatin1String("FIFO"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == QLatin1String("directory"))
            QVERIFY(QDir().mkdir(path));
        else if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0 ||
                 !QFile::link(node, path))
            QSKIP("no device node can be made here");
        const QString end = kind.startsWith(QLatin1String("link")) ? node : path;
        const auto typeOfEnd = [&end] {
            struct stat info {};
            return ::lstat(QFile::encodeName(end).constData(), &info) == 0 ? info.st_mode & S_IFMT
                                                                           : 0;
        };
        const auto before = typeOfEnd();

        p.start(); // must come back, even with a FIFO that no one writes to
        QCOMPARE(MessageBox::shownCount(), 1);
        QVERIFY2(MessageBox::lastText().contains(path), qPrintable(MessageBox::lastText()));
        QVERIFY(!p.options().m_runAtStartupCheck->isChecked());

        if (settingsFile) {
            p.options().m_startInTrayCheck->click(); // a save: refused, and not told twice
            QCOMPARE(MessageBox::shownCount(), 1);
        } else {
            p.options().m_runAtStartupCheck->click(); // the switch cannot claim what it did not do
            QVERIFY(!p.options().m_runAtStartupCheck->isChecked());
            QVERIFY(MessageBox::lastText().contains(path));
        }
        p.window->exitProgram();
        QCOMPARE(typeOfEnd(), before);
        if (file == QLatin1String("settings") && kind == QLatin1String("directory"))
            QVERIFY(QDir(path).isEmpty());
        QFile::remove(path);
        QDir().rmdir(path);
    }

    // A file that exists but cannot be read may hold what the user set: it is
    // never replaced by what the run had to start from.
    void unreadableFileIsNeverReplaced()
    {
        struct Timer : TimerStateHolder {
            TimerTabState timerState() const override { return {}; }
            void applyTimerState(const TimerTabState&) override {}
        } timer;
        QTemporaryDir dir;
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), open)); // nobody may look in
        const QString path = dir.filePath(QStringLiteral("last.inc"));
        const QByteArray saved("True\r\nFalse\r\nFalse\r\nFalse\r\n\r\n\r\n\r\n\r\n\r\n 1\r\n 1\r\n 0\r\n 8\r\n");
        writeBytes(path, saved);
        QVERIFY(QFile::setPermissions(path, {}));
        OptionsPage options;
        SettingsKeeper keeper(path, timer, options);
        QStringList told;
        connect(&keeper, &SettingsKeeper::problem, this, [&told](const QString& m) { told << m; });
        // Root reads every file: it reads this one with the rights of nobody.
        const bool root = ::geteuid() == 0;
        if (root)
            QCOMPARE(::seteuid(65534), 0);
        keeper.loadSettings();
        if (root)
            QCOMPARE(::seteuid(0), 0);
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("cannot be read")), qPrintable(told.first()));
        options.m_startInTrayCheck->click(); // a save,
        keeper.saveSettings();               // and the one at Exit
        QCOMPARE(told.size(), 1);            // told once
        QCOMPARE(fileBytes(path), saved);
    }

    // A box shown before the window maps ends up behind it, unseen.
    void startUpProblemsAreToldOnceTheWindowShows_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << QStringLiteral("last.inc");
        QTest::newRow("warning and password") << QStringLiteral("guard.inc");
    }
    void startUpProblemsAreToldOnceTheWindowShows()
    {
        QFETCH(QString, file);
        Program p;
        const QString path = p.dir.path() + QLatin1Char('/') + file;
        QVERIFY(QDir().mkpath(path)); // a folder where the file belongs: cannot be read
        p.start(true, MainWindow::StartOrder::WindowFirst);
        QVERIFY(p.window->isVisible());
        QCOMPARE(MessageBox::shownCount(), 0);
        QTRY_COMPARE(MessageBox::shownCount(), 1);
        QVERIFY2(MessageBox::lastText().contains(path), qPrintable(MessageBox::lastText()));
        p.window->exitProgram();
    }
};

QTEST_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
