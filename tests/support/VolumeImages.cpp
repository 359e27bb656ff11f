#include "VolumeImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

namespace quillet::test {

namespace {

// Shuts an ext4 file system down as a failing device would (EXT4_IOC_SHUTDOWN), without
// flushing its journal (EXT4_GOING_FLAGS_NOLOGFLUSH).
constexpr unsigned long Ext4Shutdown = 0x8004587D;
constexpr std::uint32_t ShutdownWithoutLogFlush = 2;

constexpr qint64 MiB = 1 << 20;

struct ToolRun {
    bool ok = false;
    std::optional<int> exitCode; // none when it could not start, crashed or hung
    QString out;
    QString complaint; // the command and what it said, for messages
};

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Where the system tools live; root's PATH has them, a test runner's may not.
QString findTool(const QString& name) {
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
                   QStringLiteral("/bin")});
    return found;
}

ToolRun runTool(const QString& name, const QStringList& args) {
    ToolRun run;
    const QString program = findTool(name);
    const QString shown = name + QLatin1Char(' ') + args.join(QLatin1Char(' '));
    if (program.isEmpty()) {
        run.complaint = name + QStringLiteral(" is not installed");
        return run;
    }
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.complaint = shown + QStringLiteral(": did not finish");
        return run;
    }
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.ok = run.exitCode == 0;
    if (!run.ok)
        run.complaint = shown + QStringLiteral(": exit ") + QString::number(process.exitCode()) +
                        (err.isEmpty() ? QString() : QStringLiteral(": ") + err);
    return run;
}

QStringList toolsFor(VolumeKind kind) {
    switch (kind) {
    case VolumeKind::Ext4:
        return {QStringLiteral("mkfs.ext4"), QStringLiteral("losetup"), QStringLiteral("mount"),
                QStringLiteral("umount")};
    case VolumeKind::Fat16:
        return {QStringLiteral("mkfs.fat"), QStringLiteral("fsck.fat"), QStringLiteral("losetup"),
                QStringLiteral("fusefat"), QStringLiteral("fusermount")};
    case VolumeKind::ExFat:
        return {QStringLiteral("mkfs.exfat"),       QStringLiteral("tune.exfat"),
                QStringLiteral("fsck.exfat"),       QStringLiteral("losetup"),
                QStringLiteral("mount.exfat-fuse"), QStringLiteral("fusermount")};
    }
    return {};
}

// An unusual size, different on every run: whole MiB in a range, plus some 64 KiB steps.
qint64 randomSize(VolumeKind kind, VolumeSize size) {
    QRandomGenerator* random = QRandomGenerator::global();
    qint64 fromMiB = 40;
    qint64 toMiB = 96;
    if (size == VolumeSize::Small) {
        // FAT16 needs 4085 clusters of at least 1 KiB (fusefat reads a total of 0 below).
        fromMiB = kind == VolumeKind::Fat16 ? 5 : 3;
        toMiB = fromMiB + 2;
    }
    return random->bounded(fromMiB, toMiB) * MiB + random->bounded(1, 16) * (64 << 10);
}

std::uint32_t randomSerial() {
    std::uint32_t serial = 0;
    while (serial == 0) // 0 reads as "no serial"
        serial = QRandomGenerator::global()->generate();
    return serial;
}

QString hex8(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

bool isMounted(const QString& point) {
    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountInfo.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = QFile::encodeName(point);
    const QList<QByteArray> lines = mountInfo.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && fields.at(4) == wanted)
            return true;
    }
    return false;
}

bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (done())
            return true;
        QThread::msleep(20);
    }
    return done();
}

bool processGone(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return true;
    // A zombie has let go of everything already.
    return status.readAll().contains("State:\tZ");
}

std::optional<ino_t> mountNamespaceOf(const QString& process) {
    struct stat info {};
    const QByteArray path = QFile::encodeName(QStringLiteral("/proc/%1/ns/mnt").arg(process));
    if (::stat(path.constData(), &info) != 0)
        return std::nullopt;
    return info.st_ino;
}

} // namespace

std::string kindName(VolumeKind kind) {
    switch (kind) {
    case VolumeKind::Ext4:
        return "Ext4";
    case VolumeKind::Fat16:
        return "Fat16";
    case VolumeKind::ExFat:
        return "ExFat";
    }
    return "Unknown";
}

void PrintTo(VolumeKind kind, std::ostream* os) {
    *os << kindName(kind);
}

std::optional<QString> usePrivateMounts() {
    static const std::optional<QString> failure = []() -> std::optional<QString> {
        if (::geteuid() != 0)
            return QStringLiteral("mounting test volumes needs root");
        // Mounts belong to the calling thread's namespace; the test's thread starts the tools.
        if (::unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("this system allows no mount namespace of our own: ") +
                   errnoText();
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("cannot make the mounts private: ") + errnoText();
        return std::nullopt;
    }();
    return failure;
}

MountedVolume::MountedVolume(VolumeKind kind, QString image, QString device, std::int32_t serial,
                             std::uint64_t imageBytes, QString mountPoints)
    : m_kind(kind), m_image(std::move(image)), m_device(std::move(device)), m_serial(serial),
      m_imageBytes(imageBytes), m_mountPoints(std::move(mountPoints)) {}

MountedVolume::~MountedVolume() {
    release();
}

QString MountedVolume::root() const {
    return m_mountPoint.isEmpty() ? QString() : m_mountPoint + QLatin1Char('/');
}

std::uint64_t MountedVolume::totalBytes() const {
    struct statvfs info {};
    if (m_mountPoint.isEmpty() ||
        ::statvfs(QFile::encodeName(m_mountPoint).constData(), &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize;
}

std::optional<pid_t> MountedVolume::fuseProcess() const {
    if (!isFuse() || m_mountPoint.isEmpty())
        return std::nullopt;
    // The one process of our mount namespace that was started with this mount point (a
    // folder of our own scratch space): never a process found by its program's name.
    const QByteArray point = QFile::encodeName(m_mountPoint);
    const std::optional<ino_t> ownNamespace = mountNamespaceOf(QStringLiteral("self"));
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = static_cast<pid_t>(entry.toInt(&number));
        if (!number || pid == ::getpid())
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().split('\0').contains(point))
            continue;
        if (ownNamespace && mountNamespaceOf(QString::number(pid)) == ownNamespace)
            return pid;
    }
    return std::nullopt;
}

QString MountedVolume::newMountPoint() {
    const QString point = m_mountPoints + QStringLiteral("/mount-%1").arg(++m_mountCount);
    QDir().mkpath(point);
    return point;
}

std::optional<QString> MountedVolume::mountFirst() {
    return mountAt(newMountPoint(), false);
}

std::optional<QString> MountedVolume::mountAt(const QString& point, bool readOnly) {
    ToolRun run;
    // The device names the mount's source, as for a real drive, so its serial can be read.
    const QString fsName = QStringLiteral("fsname=") + m_device;
    switch (m_kind) {
    case VolumeKind::Ext4:
        run = runTool(QStringLiteral("mount"),
                      {QStringLiteral("-t"), QStringLiteral("ext4"), QStringLiteral("-o"),
                       readOnly ? QStringLiteral("ro") : QStringLiteral("rw"), m_device, point});
        break;
    case VolumeKind::Fat16:
        // fusefat writes only when asked to with "rw+", and wants "ro" said otherwise.
        run = runTool(QStringLiteral("fusefat"),
                      {QStringLiteral("-o"),
                       (readOnly ? QStringLiteral("ro,") : QStringLiteral("rw+,")) +
                           QStringLiteral("blkdev,") + fsName,
                       m_device, point});
        break;
    case VolumeKind::ExFat:
        run = runTool(QStringLiteral("mount.exfat-fuse"),
                      {QStringLiteral("-o"),
                       fsName + (readOnly ? QStringLiteral(",ro") : QString()), m_device, point});
        break;
    }
    if (!run.ok)
        return run.complaint;
    if (!waitUntil([&point] { return isMounted(point); }))
        return QStringLiteral("the mount at ") + point + QStringLiteral(" did not appear");
    m_mountPoint = point;
    m_lastPoint = point;
    return std::nullopt;
}

::testing::AssertionResult MountedVolume::killFuseProcess() {
    const std::optional<pid_t> pid = fuseProcess();
    if (!pid)
        return ::testing::AssertionFailure()
               << "no FUSE process serves " << m_mountPoint.toStdString();
    if (::kill(*pid, SIGKILL) != 0)
        return ::testing::AssertionFailure() << "kill -9 " << *pid << ": " << std::strerror(errno);
    if (!waitUntil([&pid] { return processGone(*pid); }))
        return ::testing::AssertionFailure() << "the FUSE process " << *pid << " did not end";
    m_needsRepair = true;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MountedVolume::pullOut() {
    if (m_mountPoint.isEmpty())
        return ::testing::AssertionFailure() << "the volume is not mounted";
    if (isFuse()) {
        ::testing::AssertionResult killed = killFuseProcess();
        if (!killed)
            return killed;
        const ToolRun run = runTool(QStringLiteral("fusermount"),
                                    {QStringLiteral("-u"), QStringLiteral("-z"), m_mountPoint});
        if (!run.ok)
            return ::testing::AssertionFailure() << run.complaint.toStdString();
    } else {
        const ToolRun run = runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
        if (!run.ok)
            return ::testing::AssertionFailure() << run.complaint.toStdString();
    }
    m_mountPoint.clear();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MountedVolume::failDevice() {
    if (m_mountPoint.isEmpty())
        return ::testing::AssertionFailure() << "the volume is not mounted";
    if (isFuse())
        return killFuseProcess();
    const int fd = ::open(QFile::encodeName(m_mountPoint).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return ::testing::AssertionFailure()
               << "open " << m_mountPoint.toStdString() << ": " << std::strerror(errno);
    std::uint32_t flags = ShutdownWithoutLogFlush;
    const int done = ::ioctl(fd, Ext4Shutdown, &flags);
    const int error = errno;
    ::close(fd);
    if (done != 0)
        return ::testing::AssertionFailure() << "EXT4_IOC_SHUTDOWN: " << std::strerror(error);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MountedVolume::remountReadOnly() {
    if (m_mountPoint.isEmpty())
        return ::testing::AssertionFailure() << "the volume is not mounted";
    if (!isFuse()) {
        const ToolRun run =
            runTool(QStringLiteral("mount"),
                    {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_mountPoint});
        return run.ok ? ::testing::AssertionSuccess()
                      : ::testing::AssertionFailure() << run.complaint.toStdString();
    }
    // FUSE mounts take their options when they start: mount again, read-only, in place.
    ::testing::AssertionResult unmounted = unmount();
    if (!unmounted)
        return unmounted;
    return mountAgain(MountPoint::Same, true);
}

::testing::AssertionResult MountedVolume::unmount() {
    if (m_mountPoint.isEmpty())
        return ::testing::AssertionFailure() << "the volume is not mounted";
    const std::optional<pid_t> pid = fuseProcess();
    const ToolRun run =
        isFuse() ? runTool(QStringLiteral("fusermount"), {QStringLiteral("-u"), m_mountPoint})
                 : runTool(QStringLiteral("umount"), {m_mountPoint});
    if (!run.ok)
        return ::testing::AssertionFailure() << run.complaint.toStdString();
    m_mountPoint.clear();
    // The FUSE process writes its last changes to the image as it ends.
    if (pid && !waitUntil([&pid] { return processGone(*pid); }, 30000))
        return ::testing::AssertionFailure() << "the FUSE process " << *pid << " did not end";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MountedVolume::mountAgain(MountPoint where, bool readOnly) {
    if (!m_mountPoint.isEmpty())
        return ::testing::AssertionFailure()
               << "the volume is still mounted at " << m_mountPoint.toStdString();
    if (m_needsRepair) {
        // A FUSE process killed mid-write can leave the file system inconsistent.
        const ToolRun run =
            m_kind == VolumeKind::Fat16
                ? runTool(QStringLiteral("fsck.fat"),
                          {QStringLiteral("-a"), QStringLiteral("-w"), m_device})
                : runTool(QStringLiteral("fsck.exfat"), {QStringLiteral("-p"), m_device});
        // fsck says 1 when it repaired something: that is fine.
        if (!run.ok && run.exitCode != 1)
            return ::testing::AssertionFailure() << run.complaint.toStdString();
        m_needsRepair = false;
    }
    const QString point =
        where == MountPoint::Same && !m_lastPoint.isEmpty() ? m_lastPoint : newMountPoint();
    const std::optional<QString> failure = mountAt(point, readOnly);
    if (failure)
        return ::testing::AssertionFailure() << failure->toStdString();
    return ::testing::AssertionSuccess();
}

void MountedVolume::release() {
    if (m_released)
        return;
    m_released = true;
    if (!m_mountPoint.isEmpty() && !unmount()) {
        // Something still holds it: let go lazily, and stop its FUSE process.
        if (const std::optional<pid_t> pid = fuseProcess())
            ::kill(*pid, SIGKILL);
        runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
        m_mountPoint.clear();
    }
    // Only the device this volume attached; a busy one is detached when it is let go.
    runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), m_device});
}

VolumeImages::VolumeImages() = default;

VolumeImages::~VolumeImages() {
    for (auto volume = m_volumes.rbegin(); volume != m_volumes.rend(); ++volume)
        (*volume)->release();
}

MountedVolume* VolumeImages::mount(VolumeKind kind, VolumeSize size) {
    MountedVolume* volume = mountOrSayWhy(kind, size);
    // Where CI runs (as root, with what scripts/deps installs), a skip would hide that the
    // tests on real volumes did not run: there it is a failure.
    if (!volume && !qEnvironmentVariableIsEmpty("CI") && ::geteuid() == 0)
        ADD_FAILURE() << "CI runs every test on real volumes, but: " << m_whyNot.toStdString();
    return volume;
}

MountedVolume* VolumeImages::mountOrSayWhy(VolumeKind kind, VolumeSize size) {
    m_whyNot.clear();
    if (const std::optional<QString> failure = usePrivateMounts()) {
        m_whyNot = *failure;
        return nullptr;
    }
    const QStringList tools = toolsFor(kind);
    for (const QString& tool : tools) {
        if (findTool(tool).isEmpty()) {
            m_whyNot = tool + QStringLiteral(" is not installed (scripts/deps installs it)");
            return nullptr;
        }
    }
    if (kind != VolumeKind::Ext4 && !QFileInfo::exists(QStringLiteral("/dev/fuse"))) {
        m_whyNot = QStringLiteral("FUSE is not available here (no /dev/fuse)");
        return nullptr;
    }

    const int number = static_cast<int>(m_volumes.size()) + 1;
    const QString image = m_scratch.path(QStringLiteral("volume-%1.img").arg(number));
    const qint64 bytes = randomSize(kind, size);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes)) {
        m_whyNot = QStringLiteral("cannot make the image ") + image;
        ADD_FAILURE() << m_whyNot.toStdString();
        return nullptr;
    }
    file.close();

    const std::uint32_t serial = randomSerial();
    ToolRun format;
    switch (kind) {
    case VolumeKind::Ext4: {
        // The serial of ext4 is the first eight hex digits of its UUID.
        const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString withSerial = hex8(serial).toLower() + uuid.mid(8);
        // -m 0: a small drive is full when its blocks are, for root too.
        format = runTool(QStringLiteral("mkfs.ext4"),
                         {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-m"),
                          QStringLiteral("0"), QStringLiteral("-U"), withSerial, image});
        break;
    }
    case VolumeKind::Fat16: {
        QStringList args = {QStringLiteral("-F"), QStringLiteral("16"), QStringLiteral("-i"),
                            hex8(serial)};
        if (size == VolumeSize::Small)
            args << QStringLiteral("-s") << QStringLiteral("2");
        format = runTool(QStringLiteral("mkfs.fat"), args << image);
        break;
    }
    case VolumeKind::ExFat:
        format = runTool(QStringLiteral("mkfs.exfat"), {image});
        if (format.ok)
            format = runTool(QStringLiteral("tune.exfat"),
                             {QStringLiteral("-I"), QStringLiteral("0x") + hex8(serial), image});
        break;
    }
    if (!format.ok) {
        m_whyNot = format.complaint;
        ADD_FAILURE() << m_whyNot.toStdString();
        return nullptr;
    }

    // Other tests may attach loop devices at the same moment: take another on a clash.
    ToolRun attach;
    for (int attempt = 0; attempt < 5 && !attach.ok; ++attempt)
        attach = runTool(QStringLiteral("losetup"),
                         {QStringLiteral("-f"), QStringLiteral("--show"), image});
    if (!attach.ok) {
        m_whyNot = QStringLiteral("loop devices are not available: ") + attach.complaint;
        return nullptr;
    }
    auto volume = std::make_unique<MountedVolume>(
        kind, image, attach.out.trimmed(), static_cast<std::int32_t>(serial),
        static_cast<std::uint64_t>(bytes),
        m_scratch.makeDir(QStringLiteral("volume-%1").arg(number)));
    if (const std::optional<QString> failure = volume->mountFirst()) {
        m_whyNot = QStringLiteral("mounting is not allowed here: ") + *failure;
        volume->release();
        return nullptr;
    }
    m_volumes.push_back(std::move(volume));
    return m_volumes.back().get();
}

} // namespace quillet::test
