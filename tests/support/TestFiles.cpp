#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::test {

TestFiles::TestFiles() {
    // Removed by the destructor, which also copes with what QDir cannot.
    m_dir.setAutoRemove(false);
}

TestFiles::~TestFiles() {
    // Names that are not UTF-8 and folders without write permission defeat QDir's removal,
    // which left such scratch folders behind: everything goes by its bytes, folders opened
    // up first.
    const QByteArray root = QFile::encodeName(m_dir.path());
    constexpr int OpenFolders = 32;
    ::nftw(
        root.constData(),
        [](const char* path, const struct stat* st, int type, struct FTW*) {
            if (type == FTW_D)
                ::chmod(path, (st->st_mode & 07777) | S_IRWXU);
            return 0;
        },
        OpenFolders, FTW_PHYS);
    ::nftw(
        root.constData(),
        [](const char* path, const struct stat*, int type, struct FTW*) {
            if (type == FTW_DP)
                ::rmdir(path);
            else
                ::unlink(path);
            return 0;
        },
        OpenFolders, FTW_DEPTH | FTW_PHYS);
}

QString TestFiles::path(const QString& relative) const {
    return relative.isEmpty() ? m_dir.path() + QLatin1Char('/') : m_dir.filePath(relative);
}

QString TestFiles::write(const QString& relative, const QByteArray& content,
                         const QDateTime& modified) {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.exists())
        f.setPermissions(f.permissions() | QFileDevice::WriteOwner);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return full;
    f.write(content);
    f.close();
    if (modified.isValid())
        setModified(full, modified);
    return full;
}

QString TestFiles::makeDir(const QString& relative) {
    const QString full = path(relative);
    QDir().mkpath(full);
    return full;
}

void TestFiles::setModified(const QString& path, const QDateTime& modified, long nanoseconds) {
    struct timespec ts[2];
    ts[0].tv_sec = static_cast<time_t>(modified.toSecsSinceEpoch());
    ts[0].tv_nsec = nanoseconds;
    ts[1] = ts[0];
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), ts, 0);
}

QByteArray TestFiles::read(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QDateTime TestFiles::modified(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
}

long TestFiles::modifiedNanoseconds(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_mtim.tv_nsec;
}

void TestFiles::setReadOnly(const QString& path, bool readOnly) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    const mode_t mode =
        readOnly ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (st.st_mode | S_IWUSR);
    ::chmod(QFile::encodeName(path).constData(), mode & 07777);
}

bool TestFiles::isReadOnly(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

QStringList TestFiles::tree(const QString& path) {
    QStringList out;
    const QString base = QDir(path).absolutePath() + QLatin1Char('/');
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QString rel = p.mid(base.size());
        if (QFileInfo(p).isDir() && !QFileInfo(p).isSymLink())
            rel += QLatin1Char('/');
        out << rel;
    }
    out.sort();
    return out;
}

QDateTime at(int hour, int minute, int second) {
    return QDateTime(QDate(2024, 3, 5), QTime(hour, minute, second), Qt::LocalTime);
}

} // namespace quillet::test
