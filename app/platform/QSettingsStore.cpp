#include "QSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringTokenizer>
#include <QTemporaryFile>

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
    // With nothing pending, QSettings reads the file again whatever its size and time say;
    // with something pending it writes that over what the file holds now.
    return sync();
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
