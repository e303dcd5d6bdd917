#pragma once

#include <QString>
#include <QStringList>

namespace zelkor {

// Action codes: the 1-based position in every action list and the stored
// `action` value. OpenTarget exists only on the Timer tab.
enum class ActionKind {
    ShutDown = 1,
    Restart = 2,
    LogOff = 3,
    StandBy = 4,
    Hibernate = 5,
    Lock = 6,
    PowerOn = 7,
    EventsRemind = 8,
    OpenTarget = 9,
};

// The codes a stored task can hold: all but "Open a file or URL", the Timer tab's own.
inline bool isTaskAction(int code)
{
    return code >= int(ActionKind::ShutDown) && code <= int(ActionKind::EventsRemind);
}

// The actions that take the computer or the session away, which are warned of.
inline bool isWarnedAction(int code)
{
    return code >= int(ActionKind::ShutDown) && code <= int(ActionKind::Lock);
}

// The actions that end every session on the computer, not only ours.
inline bool endsEverySession(int code)
{
    return code == int(ActionKind::ShutDown) || code == int(ActionKind::Restart);
}

// The actions with a forced form, which goes straight to logind: past the
// session manager and its questions to the programs (shut down, restart), or
// past the locks of other programs (stand by). A log off always asks.
inline bool hasForcedForm(int code)
{
    return endsEverySession(code) || code == int(ActionKind::StandBy);
}

inline const QStringList& actionNames()
{
    static const QStringList names{
        QStringLiteral("Shut Down"), QStringLiteral("Restart"),       QStringLiteral("Log Off"),
        QStringLiteral("Stand By"),  QStringLiteral("Hibernate"),     QStringLiteral("Lock"),
        QStringLiteral("Power On"),  QStringLiteral("Events Remind"), QStringLiteral("Open a file or URL"),
    };
    return names;
}

// Display name of a code, or an empty text for a code outside 1..9.
inline QString actionName(int code)
{
    return code >= 1 && code <= actionNames().size() ? actionNames().at(code - 1) : QString();
}

// Short names of the action codes 1..9 for scripts, the command line and task
// files; they never change with the captions.
inline const QStringList& actionKeys()
{
    static const QStringList keys{
        QStringLiteral("shutdown"),  QStringLiteral("restart"), QStringLiteral("logoff"),
        QStringLiteral("standby"),   QStringLiteral("hibernate"), QStringLiteral("lock"),
        QStringLiteral("poweron"),   QStringLiteral("remind"),  QStringLiteral("open"),
    };
    return keys;
}

inline QString actionKey(int code)
{
    return code >= 1 && code <= actionKeys().size() ? actionKeys().at(code - 1) : QString();
}

// The code of a short name or a caption, any case; 0 when it names no action.
inline int actionCode(const QString& name)
{
    for (int i = 0; i < actionKeys().size(); ++i)
        if (name.compare(actionKeys().at(i), Qt::CaseInsensitive) == 0 ||
            name.compare(actionNames().at(i), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

inline QString whyNoAction(const QString& name)
{
    return QStringLiteral("Unknown action \"%1\"; one of %2.").arg(name, actionKeys().join(QStringLiteral(", ")));
}

inline const QString kAppTitle = QStringLiteral("Zelkor");

} // namespace zelkor
