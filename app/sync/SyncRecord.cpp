#include "SyncRecord.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace quillet {

namespace {

constexpr quint32 Magic = 0x51524331; // "QRC1"
constexpr quint32 Version = 1;

std::int64_t nanosecondsBetween(const platform::FileTime& a, const platform::FileTime& b) {
    constexpr std::int64_t Far = 1'000'000'000;
    const std::int64_t seconds = a.seconds - b.seconds;
    if (seconds > Far || seconds < -Far)
        return seconds > 0 ? INT64_MAX : INT64_MIN;
    return seconds * 1'000'000'000 + (a.nanoseconds - b.nanoseconds);
}

// FNV-1a: enough to tell a damaged file from a whole one.
quint64 checksumOf(const QByteArray& bytes) {
    quint64 hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

void writeTime(QDataStream& out, const platform::FileTime& time) {
    out << static_cast<qint64>(time.seconds) << static_cast<qint32>(time.nanoseconds);
}
platform::FileTime readTime(QDataStream& in) {
    qint64 seconds = 0;
    qint32 nanoseconds = 0;
    in >> seconds >> nanoseconds;
    return platform::FileTime{seconds, nanoseconds};
}
void writeSide(QDataStream& out, const SideState& side) {
    out << static_cast<qint64>(side.length);
    writeTime(out, side.modified);
    out << static_cast<quint64>(side.inode);
    writeTime(out, side.changed);
}
SideState readSide(QDataStream& in) {
    SideState side;
    qint64 length = 0;
    in >> length;
    side.length = length;
    side.modified = readTime(in);
    quint64 inode = 0;
    in >> inode;
    side.inode = inode;
    side.changed = readTime(in);
    return side;
}

} // namespace

bool SideState::changedIn(const platform::FileStat& now, std::int64_t stepNanoseconds) const {
    if (!now.isRegular || now.length != length)
        return true;
    const std::int64_t apart = nanosecondsBetween(now.times.write, modified);
    if (!measured) // the file system may have rounded the time it was given
        return apart >= stepNanoseconds || apart <= -stepNanoseconds;
    // Looked at: any move of its time is a change; on the PC so is another file under the
    // name, or a rewrite that put the old time back (its change time moved).
    return apart != 0 || (inode != 0 && (now.inode != inode || now.changed != changed));
}

SyncRecord::SyncRecord(QString filePath, QString itemKey)
    : m_filePath(std::move(filePath)), m_itemKey(std::move(itemKey)) {}

QString SyncRecord::fileFor(const QString& folder, const QString& itemKey) {
    const QByteArray hash =
        QCryptographicHash::hash(itemKey.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return folder + QLatin1Char('/') + QString::fromLatin1(hash) + QStringLiteral(".record");
}

void SyncRecord::load() {
    m_entries.clear();
    m_changed = false;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return; // nothing known
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 8)
        return;
    // A view, not a copy: a record of 100,000 files is some megabytes.
    const QByteArray body = QByteArray::fromRawData(bytes.constData(), bytes.size() - 8);
    QDataStream tail(bytes.right(8));
    quint64 stored = 0;
    tail >> stored;
    if (stored != checksumOf(body))
        return; // damaged: nothing known
    QDataStream in(body);
    quint32 magic = 0;
    quint32 version = 0;
    QString key;
    quint64 count = 0;
    in >> magic >> version >> key >> count;
    if (magic != Magic || version != Version || key != m_itemKey)
        return; // another program's, or another item's
    std::unordered_map<std::string, RecordEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (quint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray name;
        in >> name;
        RecordEntry entry;
        entry.local = readSide(in);
        entry.drive = readSide(in);
        quint8 flags = 0;
        in >> flags;
        entry.declined = (flags & 1) != 0;
        entry.local.measured = (flags & 2) != 0;
        entry.drive.measured = (flags & 4) != 0;
        entries.emplace(name.toStdString(), entry);
    }
    if (in.status() != QDataStream::Ok || entries.size() != count)
        return;
    m_entries = std::move(entries);
}

const RecordEntry* SyncRecord::find(const std::string& relative) const {
    const auto it = m_entries.find(relative);
    return it == m_entries.end() ? nullptr : &it->second;
}

void SyncRecord::agree(const std::string& relative, const RecordEntry& entry) {
    auto [it, added] = m_entries.try_emplace(relative, entry);
    if (!added) {
        if (it->second == entry)
            return;
        it->second = entry;
    }
    m_changed = true;
}

void SyncRecord::forget(const std::string& relative) {
    if (m_entries.erase(relative) > 0)
        m_changed = true;
}

bool SyncRecord::save() {
    if (!m_changed)
        return true;
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out << Magic << Version << m_itemKey << static_cast<quint64>(m_entries.size());
        for (const auto& [name, entry] : m_entries) {
            out << QByteArray::fromStdString(name);
            writeSide(out, entry.local);
            writeSide(out, entry.drive);
            out << static_cast<quint8>((entry.declined ? 1 : 0) | (entry.local.measured ? 2 : 0) |
                                       (entry.drive.measured ? 4 : 0));
        }
    }
    QByteArray checksum;
    QDataStream(&checksum, QIODevice::WriteOnly) << checksumOf(body);
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return false;
    // Whole or not at all: a pass killed while it writes leaves the record it found.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() ||
        file.write(checksum) != checksum.size() || !file.commit())
        return false;
    m_changed = false;
    return true;
}

Path conflictCopyName(const Path& file, const QString& stamp, const QString& side, int attempt) {
    const std::string& full = file.native();
    const std::size_t slash = full.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // The extension stays last, so that the copy opens as the file does; a leading dot is
    // part of the name.
    std::size_t dot = full.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = full.size();
    std::string mark = " (conflict " + stamp.toStdString() + ' ' + side.toStdString();
    if (attempt > 1)
        mark += ' ' + std::to_string(attempt);
    mark += ')';
    return Path::fromNative(full.substr(0, dot) + mark + full.substr(dot));
}

bool isConflictCopy(const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    return name.find(" (conflict ", slash == std::string::npos ? 0 : slash + 1) !=
           std::string::npos;
}

} // namespace quillet
