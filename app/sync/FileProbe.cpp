#include "FileProbe.h"

#include <QDateTime>

namespace quillet {

using platform::Attr::Directory;

bool FileProbe::IsFolder(const QString& path) const {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return false;
    const auto attr = m_fs.attributes(Path::fromText(path).native());
    return attr && *attr == Directory;
}

bool FileProbe::FileExists(const QString& path) const {
    return FileLength(path) >= 0;
}

qint64 FileProbe::FileLength(const QString& path) const {
    if (path.isEmpty())
        return -1;
    const platform::FileStat st = m_fs.stat(Path::fromText(path).native());
    if (!st.isRegular)
        return -1;
    return st.length;
}

QString FileProbe::lowestStamp() {
    return QStringLiteral("16010101000000");
}

QString FileProbe::stampOf(const platform::FileTime& time) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(time.seconds, Qt::LocalTime);
    return local.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString FileProbe::stampOf(const platform::FileStat& st) {
    // Only a file that could be opened for reading has a time of its own.
    if (!st.isRegular || !st.readable)
        return lowestStamp();
    return stampOf(st.times.write);
}

QString FileProbe::GetFileStamp(const QString& path) const {
    if (path.isEmpty())
        return lowestStamp();
    return stampOf(m_fs.stat(Path::fromText(path).native()));
}

namespace {
QDateTime parseStamp(const QString& stamp) {
    return QDateTime::fromString(stamp, QStringLiteral("yyyyMMddHHmmss"));
}
} // namespace

StampOrder compareStamps(const QString& first, const QString& second, bool twoSecondSteps) {
    if (first == second)
        return StampOrder::Equal;
    if (twoSecondSteps) {
        const QDateTime a = parseStamp(first);
        const QDateTime b = parseStamp(second);
        if (a.isValid() && b.isValid() && qAbs(a.secsTo(b)) < 2)
            return StampOrder::Equal;
    }
    bool okA = false;
    bool okB = false;
    const qlonglong a = first.toLongLong(&okA);
    const qlonglong b = second.toLongLong(&okB);
    if (okA && okB) {
        if (b < a)
            return StampOrder::FirstNewer;
        if (b > a)
            return StampOrder::SecondNewer;
    }
    return StampOrder::Indistinct;
}

} // namespace quillet

namespace quillet {

StampOrder compareStamps(const platform::FileStat& first, const platform::FileStat& second,
                         bool twoSecondSteps) {
    const bool firstTimed = first.isRegular && first.readable;
    const bool secondTimed = second.isRegular && second.readable;
    // The same second is the same stamp; most files of a pass are unchanged.
    if (firstTimed == secondTimed &&
        (!firstTimed || first.times.write.seconds == second.times.write.seconds))
        return StampOrder::Equal;
    return compareStamps(FileProbe::stampOf(first), FileProbe::stampOf(second), twoSecondSteps);
}

} // namespace quillet
