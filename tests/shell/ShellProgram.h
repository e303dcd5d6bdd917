#pragma once

#include "platform/fake/FakePlatform.h"
#include "shell/Autostart.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "shell/SettingsFile.h"
#include "shell/TrayMenu.h"
#include "support/TempProgramDir.h"
#include "tasks/TasksPage.h"

#include <QTabWidget>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The shell's tests: the main window after its start-up sequence, on a private
// program folder and the fake platform.
namespace zelkor::test {

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The task list as its user sees it: the window shown on the "Scheduled
// Tasks" tab (a list off screen is filled only once it shows).
inline TasksPage* showTaskList(MainWindow& window)
{
    window.show();
    window.m_tabs->setCurrentWidget(window.tasksPage());
    return window.tasksPage();
}

// One running program: a private program folder, the fake platform and the
// main window after its start-up sequence.
struct Program {
    TempProgramDir dir;
    FakePlatform platform;
    AppState state;
    std::unique_ptr<MainWindow> window;

    QString settingsPath() const { return settings::filePath(dir.path()); }
    void start(bool trayReachable = true,
               MainWindow::StartOrder order = MainWindow::StartOrder::AllAtOnce)
    {
        state.paths = portablePaths(dir.path());
        window = std::make_unique<MainWindow>(platform, state);
        window->setTrayIconShown(trayReachable);
        QVERIFY(window->startUp(order));
    }
    OptionsPage& options() { return *window->optionsPage(); }
    TrayMenu& menu() { return *window->trayMenu(); }
};

// The shell's test classes derive from this: HOME and the configuration folder
// (so the autostart entry) of their own, no desktop bus, so nothing here may
// reach a real tray or session, and every test starts without an autostart
// entry and with no message box noted.
class ShellTest : public QObject {
    Q_OBJECT
protected:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
    }

    void init()
    {
        QFile::remove(autostart::entryPath());
        MessageBox::resetTestState();
    }
};

} // namespace zelkor::test
