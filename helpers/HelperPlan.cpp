#include "HelperPlan.h"

namespace zelkor::helper {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLogindSession = QStringLiteral("org.freedesktop.login1.Session");
// The session of the caller, whichever it is.
const QString kOwnSessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString kLoginManager = QStringLiteral("the login manager (logind)");

// logind's flag to honour block inhibitors even for privileged callers.
constexpr quint64 kCheckInhibitors = 1;

enum class Kind { ShutDown, Restart, LogOff, StandBy, Lock };

Attempt logindManager(const QString& method, const QVariant& arg)
{
    return {Bus::System, kLoginManager, kLogind, kLogindPath, kLogindManager, method, {arg}, false};
}

Attempt withFlags(const QString& method)
{
    return logindManager(method, QVariant::fromValue(kCheckInhibitors));
}

Attempt forced(const QString& method) { return logindManager(method, QVariant(false)); }

Attempt ownSession(const QString& method)
{
    return {Bus::System,    kLoginManager, kLogind, kOwnSessionPath,
            kLogindSession, method,        {},      false};
}

Attempt gnome(const QString& method, QVariantList args = {})
{
    return {Bus::Session,
            QStringLiteral("the GNOME session manager"),
            QStringLiteral("org.gnome.SessionManager"),
            QStringLiteral("/org/gnome/SessionManager"),
            QStringLiteral("org.gnome.SessionManager"),
            method,
            std::move(args),
            true};
}

Attempt kde(const QString& method)
{
    return {Bus::Session,
            QStringLiteral("the KDE shutdown service"),
            QStringLiteral("org.kde.Shutdown"),
            QStringLiteral("/Shutdown"),
            QStringLiteral("org.kde.Shutdown"),
            method,
            {},
            true};
}

// ksmserver's logout(confirm, type, mode): no confirmation, the given type,
// the default mode (applications may still object).
Attempt ksmserver(int type)
{
    return {Bus::Session,
            QStringLiteral("the KDE session manager"),
            QStringLiteral("org.kde.ksmserver"),
            QStringLiteral("/KSMServer"),
            QStringLiteral("org.kde.KSMServerInterface"),
            QStringLiteral("logout"),
            {0, type, -1},
            true};
}

Attempt xfce(const QString& method, QVariantList args)
{
    return {Bus::Session,
            QStringLiteral("the Xfce session manager"),
            QStringLiteral("org.xfce.SessionManager"),
            QStringLiteral("/org/xfce/SessionManager"),
            QStringLiteral("org.xfce.Session.Manager"),
            method,
            std::move(args),
            true};
}

constexpr int kKsmLogout = 0;
constexpr int kKsmReboot = 1;
constexpr int kKsmHalt = 2;
constexpr uint kGnomeNoConfirmation = 1;

Plan plainPlan(Kind kind)
{
    switch (kind) {
    case Kind::ShutDown:
        return {QStringLiteral("shut the computer down"),
                {gnome(QStringLiteral("Shutdown")), kde(QStringLiteral("logoutAndShutdown")),
                 ksmserver(kKsmHalt), xfce(QStringLiteral("Shutdown"), {true}),
                 withFlags(QStringLiteral("PowerOffWithFlags"))}};
    case Kind::Restart:
        return {QStringLiteral("restart the computer"),
                {gnome(QStringLiteral("Reboot")), kde(QStringLiteral("logoutAndReboot")),
                 ksmserver(kKsmReboot), xfce(QStringLiteral("Restart"), {true}),
                 withFlags(QStringLiteral("RebootWithFlags"))}};
    case Kind::LogOff:
        return {QStringLiteral("log off"),
                {gnome(QStringLiteral("Logout"), {QVariant::fromValue(kGnomeNoConfirmation)}),
                 kde(QStringLiteral("logout")), ksmserver(kKsmLogout),
                 xfce(QStringLiteral("Logout"), {false, true}),
                 ownSession(QStringLiteral("Terminate"))}};
    case Kind::StandBy:
        // Session managers have no stand-by of their own.
        return {QStringLiteral("put the computer into stand-by"),
                {withFlags(QStringLiteral("SuspendWithFlags"))}};
    case Kind::Lock:
        return {QStringLiteral("lock the screen"),
                {ownSession(QStringLiteral("Lock")),
                 {Bus::Session,
                  QStringLiteral("the screen saver"),
                  QStringLiteral("org.freedesktop.ScreenSaver"),
                  QStringLiteral("/org/freedesktop/ScreenSaver"),
                  QStringLiteral("org.freedesktop.ScreenSaver"),
                  QStringLiteral("Lock"),
                  {},
                  false}}};
    }
    return {};
}
} // namespace

QStringList knownNames()
{
    return {QStringLiteral("guan.dll"),  QStringLiteral("guan_f.dll"), QStringLiteral("res.dll"),
            QStringLiteral("res_f.dll"), QStringLiteral("log.dll"),    QStringLiteral("gua.dll"),
            QStringLiteral("gua_f.dll"), QStringLiteral("suo.dll")};
}

std::optional<Plan> planFor(const QString& programName)
{
    if (programName == QLatin1String("guan.dll"))
        return plainPlan(Kind::ShutDown);
    if (programName == QLatin1String("res.dll"))
        return plainPlan(Kind::Restart);
    if (programName == QLatin1String("log.dll"))
        return plainPlan(Kind::LogOff);
    if (programName == QLatin1String("gua.dll"))
        return plainPlan(Kind::StandBy);
    if (programName == QLatin1String("suo.dll"))
        return plainPlan(Kind::Lock);
    // Forced: straight to logind, which closes the session's programs itself.
    if (programName == QLatin1String("guan_f.dll"))
        return Plan{QStringLiteral("shut the computer down"), {forced(QStringLiteral("PowerOff"))}};
    if (programName == QLatin1String("res_f.dll"))
        return Plan{QStringLiteral("restart the computer"), {forced(QStringLiteral("Reboot"))}};
    if (programName == QLatin1String("gua_f.dll"))
        return Plan{QStringLiteral("put the computer into stand-by"),
                    {forced(QStringLiteral("Suspend"))}};
    return std::nullopt;
}

Next nextAfter(const Attempt& attempt, CallResult result)
{
    switch (result) {
    case CallResult::Done:
        return Next::Stop;
    case CallResult::NoAnswer:
    case CallResult::Refused:
        // A session manager that is there has the say: logind behind its
        // back would end the session without asking the applications.
        return attempt.sessionManager ? Next::Stop : Next::TryNext;
    case CallResult::NotThere:
        return Next::TryNext;
    }
    return Next::TryNext;
}

CallResult classifyError(const QString& errorName)
{
    static const QStringList notThere{
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
        QStringLiteral("org.freedesktop.DBus.Error.FileNotFound"),
        QStringLiteral("org.freedesktop.login1.NoSuchSession"),
    };
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.TimedOut"))
        return CallResult::NoAnswer;
    return notThere.contains(errorName) ? CallResult::NotThere : CallResult::Refused;
}

} // namespace zelkor::helper
