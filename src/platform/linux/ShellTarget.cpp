#include "platform/linux/ShellTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zelkor {

namespace {
// A scheme of two letters or more: "https:", "mailto:", "file:".
bool hasScheme(const QString& target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

// "www.example.com", "www.example.com/page", "example.org/page": a host name
// of two labels or more, starting with www. or followed by a path.
bool isSchemelessWebAddress(const QString& target)
{
    static const QRegularExpression address(QStringLiteral(
        "^(?:www\\.[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)+(?::\\d+)?(?:[/?#]\\S*)?"
        "|[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)*\\.[A-Za-z]{2,}(?::\\d+)?/\\S*)$"),
        QRegularExpression::CaseInsensitiveOption);
    return address.match(target).hasMatch();
}
} // namespace

bool isRealProgram(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArrayLiteral("\x7f" "ELF") || head.startsWith("#!");
}

ShellTarget classifyShellTarget(const QString& target, const QString& workingDir)
{
    ShellTarget result;
    const QFileInfo info(QDir(workingDir), target);
    if (info.exists()) {
        result.path = info.absoluteFilePath();
        result.kind = isRealProgram(result.path) ? ShellTarget::Kind::Program
                                                 : ShellTarget::Kind::Document;
        return result;
    }
    // An address the URL parser refuses ("http://exa mple.com") would reach
    // the opener as an empty text: it is no address.
    if (const QUrl url(target); hasScheme(target) && url.isValid()) {
        result.kind = ShellTarget::Kind::Address;
        result.url = url;
    } else if (isSchemelessWebAddress(target)) {
        result.kind = ShellTarget::Kind::Address;
        result.url = QUrl::fromUserInput(target);
    } else {
        result.path = info.absoluteFilePath(); // Missing
    }
    return result;
}

} // namespace zelkor
