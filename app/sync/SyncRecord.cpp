#include "SyncRecord.h"

#include "FileProbe.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

namespace quillet {

namespace {

constexpr quint32 Magic = 0x51524331; // "QRC1"
constexpr quint32 Version = 1;

// FNV-1a over eight bytes at a time: enough to tell a damaged file from a whole one, and
// quick over the megabytes of a large record.
quint64 checksumOf(const char* data, std::size_t size) {
    quint64 hash = 14695981039346656037ull;
    std::size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        quint64 word = 0;
        std::memcpy(&word, data + at, 8);
        hash = (hash ^ word) * 1099511628211ull;
    }
    for (; at < size; ++at)
        hash = (hash ^ static_cast<unsigned char>(data[at])) * 1099511628211ull;
    return hash;
}

// Fixed-width little-endian fields, written and read straight: a record of 100,000 files is
// read at every pass, and a stream class would cost more than the walk itself.
class Writer {
public:
    template <typename T>
    void put(T value) {
        const T little = qToLittleEndian(value);
        m_bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
    }
    void putBytes(std::string_view bytes) {
        put(static_cast<quint32>(bytes.size()));
        m_bytes.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    void putTime(const platform::FileTime& time) {
        put(static_cast<qint64>(time.seconds));
        put(static_cast<qint32>(time.nanoseconds));
    }
    void putSide(const SideState& side) {
        put(static_cast<qint64>(side.length));
        putTime(side.modified);
        put(static_cast<quint64>(side.inode));
        putTime(side.changed);
    }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

class Reader {
public:
    Reader(const char* data, std::size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    template <typename T>
    T get() {
        T value{};
        if (m_at + sizeof value > m_size) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_at, sizeof value);
        m_at += sizeof value;
        return qFromLittleEndian(value);
    }
    std::string_view getBytes() {
        const auto length = get<quint32>();
        if (!m_ok || m_at + length > m_size) {
            m_ok = false;
            return {};
        }
        const std::string_view bytes(m_data + m_at, length);
        m_at += length;
        return bytes;
    }
    platform::FileTime getTime() {
        const auto seconds = get<qint64>();
        const auto nanoseconds = get<qint32>();
        return platform::FileTime{seconds, nanoseconds};
    }
    SideState getSide() {
        SideState side;
        side.length = get<qint64>();
        side.modified = getTime();
        side.inode = get<quint64>();
        side.changed = getTime();
        return side;
    }
    bool atEnd() const { return m_at == m_size; }

private:
    const char* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

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
    m_slots.clear();
    m_index.clear();
    m_added.clear();
    m_bytes.clear();
    m_changed = false;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return; // nothing known
    QByteArray bytes = file.readAll();
    if (bytes.size() < 8)
        return;
    const auto bodySize = static_cast<std::size_t>(bytes.size() - 8);
    Reader tail(bytes.constData() + bodySize, 8);
    if (tail.get<quint64>() != checksumOf(bytes.constData(), bodySize))
        return; // damaged: nothing known
    Reader in(bytes.constData(), bodySize);
    const auto magic = in.get<quint32>();
    const auto version = in.get<quint32>();
    const std::string_view key = in.getBytes();
    const auto count = in.get<quint64>();
    if (!in.ok() || magic != Magic || version != Version || key != m_itemKey.toStdString())
        return; // another program's, or another item's
    std::vector<Slot> slots;
    slots.reserve(static_cast<std::size_t>(std::min<quint64>(count, bodySize / 16)));
    for (quint64 i = 0; i < count && in.ok(); ++i) {
        Slot slot;
        slot.name = in.getBytes();
        slot.entry.local = in.getSide();
        slot.entry.drive = in.getSide();
        const auto flags = in.get<quint8>();
        slot.entry.declined = (flags & 1) != 0;
        slot.entry.local.measured = (flags & 2) != 0;
        slot.entry.drive.measured = (flags & 4) != 0;
        slots.push_back(slot);
    }
    if (!in.ok() || !in.atEnd() || slots.size() != count)
        return;
    m_bytes = std::move(bytes); // the names view it
    m_slots = std::move(slots);
    rebuildIndex();
}

namespace {
std::size_t hashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}
} // namespace

void SyncRecord::rebuildIndex() {
    std::size_t capacity = 16;
    while (capacity < m_slots.size() * 2 + 2)
        capacity *= 2;
    m_index.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t slot = 0; slot < m_slots.size(); ++slot) {
        std::size_t at = hashOf(m_slots[slot].name) & mask;
        while (m_index[at] != 0)
            at = (at + 1) & mask;
        m_index[at] = static_cast<std::uint32_t>(slot + 1);
    }
}

std::optional<std::size_t> SyncRecord::indexOf(std::string_view name) const {
    if (m_index.empty())
        return std::nullopt;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t at = hashOf(name) & mask; m_index[at] != 0; at = (at + 1) & mask) {
        const std::size_t slot = m_index[at] - 1;
        if (m_slots[slot].name == name)
            return slot;
    }
    return std::nullopt;
}

const RecordEntry* SyncRecord::find(std::string_view relative) const {
    const auto slot = indexOf(relative);
    return slot ? &m_slots[*slot].entry : nullptr;
}

void SyncRecord::agree(std::string_view relative, const RecordEntry& entry) {
    if (const auto slot = indexOf(relative)) {
        if (m_slots[*slot].entry == entry)
            return;
        m_slots[*slot].entry = entry;
    } else {
        m_slots.push_back(Slot{m_added.emplace_back(relative), entry});
        if (m_slots.size() * 2 + 2 > m_index.size())
            rebuildIndex();
        else {
            const std::size_t mask = m_index.size() - 1;
            std::size_t at = hashOf(relative) & mask;
            while (m_index[at] != 0)
                at = (at + 1) & mask;
            m_index[at] = static_cast<std::uint32_t>(m_slots.size());
        }
    }
    m_changed = true;
}

bool SyncRecord::save() {
    if (!m_changed)
        return true;
    Writer out;
    out.put(Magic);
    out.put(Version);
    out.putBytes(m_itemKey.toStdString());
    out.put(static_cast<quint64>(m_slots.size()));
    for (const auto& [name, entry] : m_slots) {
        out.putBytes(name);
        out.putSide(entry.local);
        out.putSide(entry.drive);
        out.put(static_cast<quint8>((entry.declined ? 1 : 0) | (entry.local.measured ? 2 : 0) |
                                    (entry.drive.measured ? 4 : 0)));
    }
    QByteArray& bytes = out.bytes();
    out.put(checksumOf(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return false;
    // Whole or not at all: a pass killed while it writes leaves the record it found.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    m_changed = false;
    return true;
}

Path conflictCopyName(const Path& file, const QString& stamp, const QString& side, int attempt) {
    const std::string& full = file.native();
    const std::size_t nameStart = full.size() - file.fileName().size();
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

bool isConflictCopy(std::string_view name) {
    const std::size_t slash = name.find_last_of('/');
    return name.find(" (conflict ", slash == std::string_view::npos ? 0 : slash + 1) !=
           std::string_view::npos;
}

} // namespace quillet
