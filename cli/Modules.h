#pragma once

#include "ExitStatus.h"
#include "Options.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>

// The parts of quenzal-cli that only some runs need, each a module loaded
// when a run first needs it, so that a plain-text run loads Qt Core and
// nothing more. A module has one entry point, with C linkage, that hands out
// its table of functions: given the program's version, so that a module of
// another build is refused rather than called.
namespace quenzal::cli {

// Rich Text Format, read and written through Qt Gui's text documents exactly
// as the window reads and writes it.
struct RichTextModule
{
    // An .rtf file's exact text, as the upper area holds it after Open, or
    // why the bytes are not Rich Text Format.
    Result<QString> (*exactTextOf)(const QByteArray &bytes);
    // A text as the window's Save writes the lower area to an .rtf file.
    QByteArray (*richTextOf)(const QString &text);
};

// OpenPGP password messages through GpgME++: encrypt and decrypt.
struct MessageModule
{
    Result<void, Failure> (*runMessageCommand)(const Options &options);
};

// The module, loaded on the first call; or, when it is missing or of
// another build, why the run cannot go on. The rich-text module works in
// the code page in force when it is loaded.
Result<const RichTextModule *, Failure> richTextModule();
Result<const MessageModule *, Failure> messageModule();

} // namespace quenzal::cli

// The entry points, given the program's version; nothing for another one.
extern "C" {
using QuenzalRichTextEntry = const quenzal::cli::RichTextModule *(const char *version,
                                                                  int codePage);
using QuenzalMessageEntry = const quenzal::cli::MessageModule *(const char *version);
}
