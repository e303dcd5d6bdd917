#pragma once

#include <QString>
#include <QUrl>

namespace zelkor {

// How the desktop shell takes a target typed by the user or stored in a task.
struct ShellTarget {
    enum class Kind {
        Program,  // a real program: started
        Document, // an existing file or folder: to its default handler
        Address,  // a web address or another URL: to its default handler
        Missing,  // a file that is not there
    };
    Kind kind = Kind::Missing;
    QString path; // the file, absolute (Program, Document, Missing)
    QUrl url;     // Address
};

// A target with a scheme ("https:", "mailto:") is an address. Else it names a
// file, taken from `workingDir` when relative; a file that is not there but
// reads as a web address without its scheme ("www.example.com",
// "example.org/page") is a web address. Only an ELF file or a "#!" script that
// we may execute is a program: the execute bit alone says little, since FAT,
// NTFS and SMB mounts set it on every document.
ShellTarget classifyShellTarget(const QString& target, const QString& workingDir);

// The file is a regular file we may execute whose first bytes mark it as a
// program (ELF) or a script ("#!").
bool isRealProgram(const QString& path);

} // namespace zelkor
