#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace quenzal::test {

// The bytes of a file, or "<missing>" when it cannot be read.
inline QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes a file afresh; fails the test when it cannot.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A folder of a test's own files, removed with everything in it at the end.
class ScratchFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Removes everything in the folder; fails the test when it cannot.
    void empty()
    {
        QDir dir(m_dir.path());
        dir.removeRecursively();
        QVERIFY(dir.mkpath(m_dir.path()));
    }

private:
    QTemporaryDir m_dir;
};

} // namespace quenzal::test
