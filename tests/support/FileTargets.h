#pragma once

// What tests of saves need to make files that a replacement would change,
// and to see what a file is afterwards. Unix only, as those files are.

#include <QFile>
#include <QString>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenzal::test {

// The user and group that root gives files to in these tests.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// What a file is to everyone else, after symbolic links.
struct Identity
{
    ino_t inode = 0;
    mode_t type = 0;
    uid_t owner = 0;
    gid_t group = 0;
    nlink_t links = 0;

    bool operator==(const Identity &) const = default;
};

inline Identity identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, mode_t(st.st_mode & S_IFMT), st.st_uid, st.st_gid, st.st_nlink};
}

// Runs as a user other than root for as long as it lives, when the test runs
// as root: no folder is read-only to root.
class NotAsRoot
{
public:
    NotAsRoot() : m_wasRoot(::geteuid() == 0)
    {
        if (m_wasRoot)
            QVERIFY(::seteuid(kNobody) == 0);
    }
    ~NotAsRoot()
    {
        if (m_wasRoot)
            QVERIFY(::seteuid(0) == 0);
    }
    NotAsRoot(const NotAsRoot &) = delete;
    NotAsRoot &operator=(const NotAsRoot &) = delete;

private:
    bool m_wasRoot;
};

// Lets a write past `bytes` fail, as on a full disk, for as long as it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_previous{};
    void (*m_signal)(int);
};

} // namespace quenzal::test
