#include "QSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::platform {

std::unique_ptr<SettingsStore> openSettingsStore(const QString& file) {
    if (file.isEmpty())
        return std::make_unique<QSettingsStore>();
    return std::make_unique<QSettingsStore>(file);
}

QSettingsStore::QSettingsStore() : m_settings(open()) {
    m_health = inspect(m_settings->fileName());
}

QSettingsStore::QSettingsStore(const QString& file) : m_file(file), m_settings(open()) {
    m_health = inspect(file);
}

std::unique_ptr<QSettings> QSettingsStore::open() const {
    if (m_file.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    return std::make_unique<QSettings>(m_file, QSettings::IniFormat);
}

SettingsStore::Health QSettingsStore::inspect(const QString& path) {
    // QSettings reads damaged files leniently and would write back only what it understood,
    // so a file we cannot fully read is left alone altogether.
    const QFileInfo info(path);
    if (!info.exists())
        return Health::Ok;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return Health::Unreadable;
    const QByteArray content = file.readAll();
    if (content.contains('\0'))
        return Health::Malformed;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(content);
    if (utf8.hasError())
        return Health::Malformed;
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        const QStringView t = line.trimmed();
        if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#'))
            continue;
        if (t.startsWith(u'[') && t.endsWith(u']'))
            continue;
        if (t.contains(u'=') && !t.startsWith(u'=') && !t.startsWith(u'['))
            continue;
        return Health::Malformed;
    }
    return Health::Ok;
}

namespace {
// An empty section name means no paired drive: nothing is read or written there.
QString keyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}
} // namespace

QString QSettingsStore::read(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    if (section.isEmpty() || key.isEmpty())
        return defaultValue;
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid())
        return defaultValue;
    // A hand-edited value with a bare comma reads back as a list; take it as text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

void QSettingsStore::write(const QString& section, const QString& key, const QString& value) {
    if (section.isEmpty() || key.isEmpty() || health() != Health::Ok)
        return;
    m_settings->setValue(keyPath(section, key), value);
}

void QSettingsStore::deleteSection(const QString& section) {
    if (section.isEmpty() || health() != Health::Ok)
        return;
    m_settings->remove(section);
}

SettingsStore::Health QSettingsStore::health() const {
    if (m_health != Health::Ok)
        return m_health;
    // A file that cannot be read was found at the start; an access error since then is a
    // write that failed, which sync() reports, and no reason to stop reading or writing.
    return m_settings->status() == QSettings::FormatError ? Health::Malformed : Health::Ok;
}

QString QSettingsStore::location() const {
    return m_settings->fileName();
}

bool QSettingsStore::sync() {
    if (health() != Health::Ok)
        return false;
    // QSettings keeps its first error for good: after a failed write, only a fresh one tells
    // whether this one went through. What could not be written earlier stays pending in Qt's
    // cache of the file and goes with it.
    if (m_settings->status() != QSettings::NoError)
        m_settings = open();
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool QSettingsStore::reload() {
    // QSettings reads the file again only when its size or its time, to the millisecond,
    // differs from what it saw last; a file another program replaced within one tick of the
    // file system's clock, with as many bytes, would not be read. For the read the file
    // gets a time no file of this store ever has (a second in 1970 that no other process
    // uses, never the same twice running), then its own back. Done on the open file, so
    // that a file renamed into place meanwhile never gets another file's time.
    const QByteArray path = QFile::encodeName(location());
    const int handle = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct stat seen {};
    bool moved = false;
    if (handle >= 0 && ::fstat(handle, &seen) == 0) {
        const timespec aside[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(::getpid()) * 2 + (m_reloads++ & 1), 0}};
        moved = ::futimens(handle, aside) == 0;
    }
    const bool read = sync();
    if (moved) {
        const timespec back[2] = {{0, UTIME_OMIT}, seen.st_mtim};
        ::futimens(handle, back);
    }
    if (handle >= 0)
        ::close(handle);
    return read;
}

QString QSettingsStore::writeError() const {
    // QSettings says only that it failed; the system says why.
    const QFileInfo info(location());
    if (info.exists()) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadWrite))
            return file.errorString();
    }
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("the folder %1 cannot be made")
            .arg(QDir::toNativeSeparators(folder.path()));
    // The file is replaced through a new file beside it.
    QTemporaryFile probe(folder.filePath(QStringLiteral("Quillet-XXXXXX.tmp")));
    if (!probe.open())
        return probe.errorString();
    return QString();
}

} // namespace quillet::platform
