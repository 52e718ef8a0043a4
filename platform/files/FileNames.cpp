#include "platform/files/FileNames.h"

#include "base/VisibleText.h"
#include "platform/files/FileWriter.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quenzal {
namespace {

// A byte that is not part of UTF-8 stands for itself as this plus the byte.
constexpr char16_t kByteEscape = 0xDC00;

// The length of the UTF-8 sequence that `bytes` begins with, or 0 when they
// begin with none: a stray continuation byte, a sequence cut short, an
// overlong form, a surrogate or a code past U+10FFFF.
qsizetype utf8Length(QByteArrayView bytes)
{
    const auto lead = uchar(bytes.front());
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t code = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = uchar(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Whether `name[i]` stands for a byte that is not UTF-8 (and is not the
// second half of a character written with two surrogates).
bool isEscapedByte(QStringView name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    return c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF &&
           !(i > 0 && name[i - 1].isHighSurrogate());
}

// `name` in runs of characters, each run handed to `text`, and each byte
// that is not UTF-8 to `byte`, in order.
template <typename Text, typename Byte> void splitName(QStringView name, Text text, Byte byte)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name, i))
            continue;
        text(name.sliced(start, i - start));
        byte(uchar(name[i].unicode() - kByteEscape));
        start = i + 1;
    }
    text(name.sliced(start));
}

} // namespace

QString nameFromSystem(QByteArrayView bytes)
{
    QString name;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        if (const qsizetype length = utf8Length(bytes.sliced(i))) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(start, i - start));
        name += QChar(char16_t(kByteEscape + uchar(bytes[i])));
        start = ++i;
    }
    return name + QString::fromUtf8(bytes.sliced(start));
}

QByteArray systemName(QStringView name)
{
    QByteArray bytes;
    splitName(
        name, [&](QStringView text) { bytes += text.toUtf8(); },
        [&](uchar byte) { bytes += char(byte); });
    return bytes;
}

QString shownName(QStringView name)
{
    QString shown;
    splitName(
        name, [&](QStringView text) { shown += visibleText(text); },
        [&](uchar byte) {
            shown += QStringLiteral("<0x%1>").arg(
                QString::number(byte, 16).toUpper().rightJustified(2, u'0'));
        });
    return shown;
}

QString quotedName(QStringView name)
{
    return u'"' + shownName(name) + u'"';
}

bool fileExists(const QString &name)
{
#ifdef Q_OS_UNIX
    struct stat status;
    return ::stat(systemName(name).constData(), &status) == 0;
#else
    return QFileInfo::exists(name);
#endif
}

Result<void> openForReading(QFile &file, const QString &name)
{
    const QIODevice::OpenMode mode = QIODevice::ReadOnly | QIODevice::Unbuffered;
#ifdef Q_OS_UNIX
    const int handle = ::open(systemName(name).constData(), O_RDONLY | O_CLOEXEC);
    if (handle < 0)
        return Result<void>::failure(qt_error_string(errno));
    struct stat status;
    if (::fstat(handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(handle);
        return checkRegularFile(status.st_mode);
    }
    if (!file.open(handle, mode, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return Result<void>::failure(file.errorString());
    }
#else
    file.setFileName(name);
    if (!file.open(mode))
        return Result<void>::failure(file.errorString());
#endif
    return {};
}

} // namespace quenzal
