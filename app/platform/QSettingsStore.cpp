#include "QSettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringTokenizer>

namespace quillet::platform {

std::unique_ptr<SettingsStore> openSettingsStore(const QString& file) {
    if (file.isEmpty())
        return std::make_unique<QSettingsStore>();
    return std::make_unique<QSettingsStore>(file);
}

QSettingsStore::QSettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillet"),
                 QStringLiteral("Quillet")) {
    m_health = inspect(m_settings.fileName());
}

QSettingsStore::QSettingsStore(const QString& file) : m_settings(file, QSettings::IniFormat) {
    m_health = inspect(file);
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
    const QVariant v = m_settings.value(keyPath(section, key));
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
    m_settings.setValue(keyPath(section, key), value);
}

void QSettingsStore::deleteSection(const QString& section) {
    if (section.isEmpty() || health() != Health::Ok)
        return;
    m_settings.remove(section);
}

SettingsStore::Health QSettingsStore::health() const {
    if (m_health != Health::Ok)
        return m_health;
    switch (m_settings.status()) {
    case QSettings::NoError:
        return Health::Ok;
    case QSettings::AccessError:
        return Health::Unreadable;
    case QSettings::FormatError:
        return Health::Malformed;
    }
    return Health::Malformed;
}

QString QSettingsStore::location() const {
    return m_settings.fileName();
}

bool QSettingsStore::sync() {
    if (health() != Health::Ok)
        return false;
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

} // namespace quillet::platform
