#include "ui/main/FileCommands.h"

#include "base/VisibleText.h"
#include "engine/CodePage.h"
#include "platform/files/TextFiles.h"
#include "platform/ports/FileDialogs.h"
#include "platform/ports/LoadProgress.h"
#include "platform/ports/MessageBoxes.h"
#include "platform/widgets/RichTextArea.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <new>
#include <utility>

namespace quenzal {
namespace {

// A plain-text file is read, and its text made, in pieces of this many bytes.
constexpr qint64 kReadPiece = 64 * 1024;

void reportError(const FileControls &c, MessageBoxes &messages, const QString &text)
{
    messages.critical(&c.window, QStringLiteral("Error"), text);
}

// A file name or path as messages quote it, every character visible.
QString quoted(const QString &name)
{
    return u'"' + visibleText(name) + u'"';
}

QString otherKind(const QString &name, const QString &verb)
{
    return otherKindRefusal(verb, quoted(QFileInfo(name).fileName()));
}

QString failure(const QString &verb, const QString &name, const QString &reason)
{
    return couldNot(verb + u' ' + quoted(QDir::toNativeSeparators(name)), reason);
}

struct ChosenFile
{
    QString name;
    FileKind kind;
};

// The name chosen in a dialog, when it names a kind of file the commands
// take. A cancelled dialog gives nothing silently; another kind of name gives
// nothing with a message that says it was not `done` ("opened", "saved").
template <typename Dialog>
std::optional<ChosenFile> chooseFile(const FileControls &c, MessageBoxes &messages, Dialog dialog,
                                     const QString &done)
{
    const auto chosen = dialog(&c.window, nameFilters(QLatin1String(kFileTypes)));
    if (!chosen)
        return std::nullopt;
    const FileKind kind = fileKind(*chosen);
    if (kind == FileKind::Other) {
        reportError(c, messages, otherKind(*chosen, done));
        return std::nullopt;
    }
    return ChosenFile{*chosen, kind};
}

} // namespace

QStringList nameFilters(const QString &fileTypes)
{
    const QStringList parts = fileTypes.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString pattern = QStringLiteral("(%1)").arg(parts[i + 1]);
        filters << (description.contains(pattern) ? description : description + u' ' + pattern);
    }
    return filters;
}

void OpenTextFile(const FileControls &c, FileDialogs &dialogs, MessageBoxes &messages,
                  LoadProgress &progress)
{
    const auto chosen = chooseFile(
        c, messages,
        [&](QWidget *parent, const QStringList &filters) {
            return dialogs.getOpenFileName(parent, filters);
        },
        QStringLiteral("opened"));
    if (!chosen)
        return;
    // Named, not bound: clang before 16 cannot capture a structured binding.
    const QString &name = chosen->name;
    const FileKind kind = chosen->kind;
    // Reading and laying out a large file takes a while: the pointer says so,
    // and a long load shows its progress and can be cancelled.
    Loading loading(progress, &c.window,
                    QStringLiteral("Opening %1...").arg(quoted(QFileInfo(name).fileName())));
    const auto fail = [&](const QString &reason) {
        loading.finish();
        reportError(c, messages, failure(QStringLiteral("open"), name, reason));
    };
    // What is made of the file may not fit in memory.
    try {
        if (kind == FileKind::RichText) {
            const auto bytes = TextFiles::readAll(name);
            if (!bytes) {
                fail(bytes.error());
                return;
            }
            // The box names plain-text files only.
            if (const auto loaded = c.original.loadRichText(*bytes, loading.report()); !loaded.ok())
                fail(loaded.error());
            return;
        }
        // A plain-text file's text goes into the area as it is read and
        // decoded, so that neither its bytes nor its text are ever whole
        // beside the area's content.
        RichTextArea::NewText text(c.original);
        const auto report = loading.report();
        const auto read = TextFiles::readInPieces(
            name, kReadPiece, [&](QByteArrayView piece, qint64 done, qint64 total) {
                text.append(CodePage::decode(piece));
                return report(done, total);
            });
        if (!read.ok()) {
            fail(read.error());
            return;
        }
        if (*read == Completion::Stopped)
            return; // cancelled
        text.show();
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("there is not enough memory to show the file"));
        return;
    }
    c.fileBox.setText(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
}

void SaveTextFile(const FileControls &c, FileDialogs &dialogs, MessageBoxes &messages)
{
    const auto chosen = chooseFile(
        c, messages,
        [&](QWidget *parent, const QStringList &filters) {
            return dialogs.getSaveFileName(parent, filters);
        },
        QStringLiteral("saved"));
    if (!chosen)
        return;
    const auto &[name, kind] = *chosen;
    QByteArray bytes;
    if (kind == FileKind::RichText) {
        bytes = c.result.richText();
    } else {
        const QString text = c.result.text();
        if (const auto bad = CodePage::firstUnrepresentable(text)) {
            const qsizetype position = QStringView(text).first(bad->index).toUcs4().size() + 1;
            reportError(c, messages,
                        QStringLiteral("The text contains a character that a .txt file cannot "
                                       "hold: %1 at character %2. %3 Nothing was saved; save it "
                                       "as a .rtf file instead.")
                            .arg(CodePage::describe(bad->codePoint))
                            .arg(position)
                            .arg(CodePage::notHeld(bad->codePoint)));
            return;
        }
        bytes = CodePage::encode(text);
    }
    if (const auto written = TextFiles::writeAll(name, bytes); !written) {
        reportError(c, messages, failure(QStringLiteral("save"), name, written.error()));
        return;
    }
    if (kind == FileKind::PlainText)
        c.fileBox.setText(QDir::toNativeSeparators(name));
}

} // namespace quenzal
