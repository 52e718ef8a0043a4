#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;

namespace quenzal {

// Fails with why a file whose st_mode is `mode` is not one that text is read
// from or written to (a folder, a FIFO, a socket, a device); ok for a
// regular file. Open and Save name what a file is in the same words.
Result<void> checkRegularFile(unsigned int mode);

// Writes the whole content of a file, at once or block by block, creating or
// replacing it. The bytes go to a temporary file in the same folder, which
// is synced to disk and takes the file's place only in commit(): a failure
// before that, or a writer dropped unfinished, leaves any old file as it was
// and nothing else behind. A file that such a replacement would change in
// what it is (another owner or group, other names by hard links, a folder
// where no new file can be made) is written in place instead, cut down only
// when the first bytes come. A replacement keeps the old file's mode. A
// path that is not a regular file (a device, a FIFO, a folder, also behind a
// symbolic link) is refused. The window's Save and the command-line
// program's named output both write through it; the path reaches the system
// as systemName() gives it (FileNames.h).
class FileWriter
{
public:
    explicit FileWriter(const QString &path);
    ~FileWriter();
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    // Why a call failed: words for the end of a message, and the system's
    // error number behind them (0 when the writer itself refused the path).
    struct Failure
    {
        QString reason;
        int systemError = 0;
    };
    using Done = Result<void, Failure>;

    // Decides how the file is written and opens it; when it is refused or
    // cannot be opened, nothing has changed.
    Done open();
    // Appends `bytes`; fails when they cannot all be written.
    Done write(QByteArrayView bytes);
    // Makes what was written the file's content, on disk.
    Done commit();

    // True when open() chose to write the existing file in place: it is cut
    // down only when the first bytes come.
    bool writesInPlace() const { return m_inPlace; }
    // True once the existing file itself has been cut down to be written
    // over: a failure after that leaves it with only what was written.
    bool changedInPlace() const { return m_cutDown; }

private:
    Done fail(int systemError, const QString &reason);
    Done cutDown();

    QString m_path;
#ifdef Q_OS_UNIX
    Done openReplacement(std::optional<uint> mode);
    Done putInPlace();
    void release();

    int m_handle = -1;      // the file written: the replacement, or the file itself
    int m_folder = -1;      // the folder of the file replaced
    QByteArray m_name;      // the file's name in that folder
    QByteArray m_temporary; // the replacement's name in it, once it has one
#else
    std::unique_ptr<QFileDevice> m_file;
#endif
    bool m_inPlace = false;
    bool m_cutDown = false;
    // The first failure, which every later call gives again.
    Failure m_failure;
};

} // namespace quenzal
