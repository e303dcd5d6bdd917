#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QCheckBox;

namespace zelkor {

// "Run at Windows Startup": the Options check box m_runAtStartupCheck and the tray item
// m_runAtStartupAction, both mirroring the autostart entry.
class AutostartSwitch : public QObject {
    Q_OBJECT
public:
    AutostartSwitch(const QString& programPath, QCheckBox& chkRun, QAction& mRun, QObject* parent = nullptr);

    void onCheckChanged(); // after m_runAtStartupCheck changed, by a click or by the program
    void onMenuToggled();  // follows m_runAtStartupCheck, not its own mark
    void startupCheck(); // the entry is on only when it starts this very program
    // Asked before the tray item changes the entry (the check box has its own).
    void setMenuGuard(std::function<bool()> allowed) { m_menuGuard = std::move(allowed); }

    QString entryPath() const;

signals:
    void problem(const QString& message);

private:
    bool entryIsOn(QString* problem = nullptr) const;
    bool write(bool on);
    void showActualState();

    QString m_programPath;
    QCheckBox& m_check;
    QAction& m_menuAction;
    bool m_reverting = false;
    std::function<bool()> m_menuGuard;
};

} // namespace zelkor
