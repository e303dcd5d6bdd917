#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace zelkor::test {

// A private copy of the built program folder (dll/zelkor.dll and the help
// page), so that tests never write to the real one.
class TempProgramDir {
public:
    TempProgramDir()
    {
        const QString source = qEnvironmentVariable("ZELKOR_APP_DIR");
        QDir().mkpath(m_dir.path() + QStringLiteral("/dll"));
        QFile::copy(source + QStringLiteral("/dll/zelkor.dll"), databasePath());
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::copy(source + QStringLiteral("/zelkor.html"), path() + QStringLiteral("/zelkor.html"));
    }

    bool isValid() const { return m_dir.isValid() && QFile::exists(databasePath()); }
    QString path() const { return m_dir.path(); }
    QString databasePath() const { return m_dir.path() + QStringLiteral("/dll/zelkor.dll"); }

private:
    QTemporaryDir m_dir;
};

} // namespace zelkor::test
