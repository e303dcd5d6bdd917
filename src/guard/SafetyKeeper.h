#pragma once

#include "guard/GuardSettings.h"
#include "guard/PasswordGate.h"
#include "platform/Platform.h"

#include <QObject>

#include <functional>
#include <optional>

class QWidget;

namespace zelkor
{

// The password and the warning's lead time: kept in guard.inc, asked for
// before the guarded operations. Nothing here ever runs at the session's end.
class SafetyKeeper : public QObject
{
    Q_OBJECT
public:
    SafetyKeeper(Platform& platform, QString path, QObject* parent = nullptr);

    void load();
    int warnSeconds() const { return m_settings.warnSeconds; }
    Outcome setWarnSeconds(int seconds);
    bool isPasswordSet() const { return m_gate.isSet(); }
    QString path() const { return m_path; }

    // True when no password is set, or the right one was given. A wrong one
    // is told, and so is the wait after five wrong ones in a row.
    bool allow(QWidget* parent, const QString& what);
    // Asks for the current password (if any), then the new one twice.
    void changePassword(QWidget* parent);
    void removePassword(QWidget* parent);

    // How a password is asked: nothing when the user gave up. Tests answer here.
    using Asker = std::function<std::optional<QString>(QWidget* parent, const QString& label)>;
    void setAsker(Asker asker) { m_ask = std::move(asker); }
    // The asker of the program: a password box, modal to `parent` where given.
    static std::optional<QString> askInDialog(QWidget* parent, const QString& label);

signals:
    void changed(); // the password was set or removed, or the lead time changed
    void problem(const QString& message); // guard.inc is there but could not be read

private:
    Outcome save();

    Platform& m_platform;
    QString m_path;
    guard::GuardSettings m_settings;
    QString m_readProblem; // why guard.inc was not read; it is then never replaced
    PasswordGate m_gate;
    Asker m_ask;
};

} // namespace zelkor
