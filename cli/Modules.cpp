#include "Modules.h"

#include "engine/CodePage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace quenzal::cli {
namespace {

// The module's file in the program's private library folder, found from
// where the program is.
QString modulePath(const QString &name)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" QUENZAL_CLI_MODULES "/") + name);
}

template <typename Module, typename Entry, typename... Arguments>
Result<const Module *, Failure> load(const QString &name, const char *entry, const QString &what,
                                     Arguments... arguments)
{
    const QString path = modulePath(name);
    const auto failure = [&](const QString &reason) {
        return Result<const Module *, Failure>::failure(
            {Incomplete,
             couldNot(
                 QStringLiteral("load the part of the program that %1 (\"%2\")").arg(what, path),
                 reason + QStringLiteral("; install the program again"))});
    };
    if (!QFileInfo::exists(path))
        return failure(QStringLiteral("The file is missing"));
    QLibrary library(path);
    const auto function = reinterpret_cast<Entry *>(library.resolve(entry));
    if (!function)
        return failure(library.errorString());
    if (const Module *module = function(QUENZAL_VERSION, arguments...))
        return module;
    return failure(QStringLiteral("It belongs to another version of the program"));
}

} // namespace

Result<const RichTextModule *, Failure> richTextModule()
{
    static const auto module = load<RichTextModule, QuenzalRichTextEntry>(
        QStringLiteral(QUENZAL_RICH_TEXT_MODULE), "quenzalRichTextModule",
        QStringLiteral("reads and writes Rich Text Format"), CodePage::current());
    return module;
}

Result<const MessageModule *, Failure> messageModule()
{
    static const auto module = load<MessageModule, QuenzalMessageEntry>(
        QStringLiteral(QUENZAL_MESSAGE_MODULE), "quenzalMessageModule",
        QStringLiteral("encrypts and decrypts messages"));
    return module;
}

} // namespace quenzal::cli
