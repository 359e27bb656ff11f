#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace quillet::test {

// A scratch folder with helpers to make files with chosen content and times.
class TestFiles {
public:
    TestFiles();
    ~TestFiles();
    TestFiles(const TestFiles&) = delete;
    TestFiles& operator=(const TestFiles&) = delete;
    QString path(const QString& relative = QString()) const;
    // Writes the file (making its folders) and sets its modification time when given.
    QString write(const QString& relative, const QByteArray& content,
                  const QDateTime& modified = QDateTime());
    QString makeDir(const QString& relative);
    static void setModified(const QString& path, const QDateTime& modified, long nanoseconds = 0);
    static QByteArray read(const QString& path);
    static QDateTime modified(const QString& path);
    static long modifiedNanoseconds(const QString& path);
    static void setReadOnly(const QString& path, bool readOnly);
    static bool isReadOnly(const QString& path);
    // Names of every entry below path, sorted, relative, folders with a trailing '/'.
    static QStringList tree(const QString& path);

private:
    QTemporaryDir m_dir;
};

// A local time that is easy to read in a test: 2024-03-05 at the given clock time.
QDateTime at(int hour, int minute, int second);

} // namespace quillet::test
