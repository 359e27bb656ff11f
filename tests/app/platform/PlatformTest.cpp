#include "TestFiles.h"
#include "platform/LocalFileSystem.h"
#include "platform/LocalVolumes_linux.h"
#include "platform/MountTable_linux.h"
#include "platform/ProcessStarter.h"
#include "platform/QSettingsStore.h"
#include "platform/ThreadPriority.h"
#include "platform/UserLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gmock/gmock.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillet;
using namespace quillet::platform;
using namespace quillet::test;
using ::testing::ElementsAre;

namespace {

TEST(VolumeSerialTest, FollowsTheSerialRule) {
    EXPECT_EQ(volumeSerialFromUuid("8A3F-1C22", "vfat"), -1975575518);
    EXPECT_EQ(volumeSerialFromUuid("8a3f-1c22", "exfat"), -1975575518);
    EXPECT_EQ(volumeSerialFromUuid("8a3f1c22-0000-4000-8000-000000000001", "ext4"), -1975575518);
    EXPECT_EQ(volumeSerialFromUuid("0123456712345678", "ntfs"), 0x12345678);
    EXPECT_EQ(volumeSerialFromUuid("0123456712345678", ""), 0x12345678);
    EXPECT_EQ(volumeSerialFromUuid("1C22", "vfat"), 0);
    EXPECT_EQ(volumeSerialFromUuid("", "ext4"), 0);
    EXPECT_EQ(volumeSerialFromUuid("zz3f-1c22", "vfat"), 0);
    EXPECT_EQ(volumeSerialFromUuid("7FFF-FFFF", "vfat"), 2147483647);
    EXPECT_EQ(volumeSerialFromUuid("8000-0000", "vfat"), -2147483647 - 1);
}

TEST(VolumeSerialTest, TwoSecondFileSystems) {
    EXPECT_TRUE(hasTwoSecondTimes("vfat"));
    EXPECT_TRUE(hasTwoSecondTimes("msdos"));
    EXPECT_FALSE(hasTwoSecondTimes("exfat"));
    EXPECT_FALSE(hasTwoSecondTimes("ext4"));
    EXPECT_FALSE(hasTwoSecondTimes(""));
    // The steps times are kept in: FUSE's exFAT keeps whole seconds, the kernel's 10 ms; a
    // file system not known to keep finer times counts as keeping seconds.
    EXPECT_EQ(timeStepNanoseconds("ext4", false), 1);
    EXPECT_EQ(timeStepNanoseconds("vfat", true), 2'000'000'000);
    EXPECT_EQ(timeStepNanoseconds("exfat", false), 10'000'000);
    EXPECT_EQ(timeStepNanoseconds("exfat", true), 1'000'000'000);
    EXPECT_EQ(timeStepNanoseconds("ntfs3", false), 100);
    EXPECT_EQ(timeStepNanoseconds("iso9660", false), 1'000'000'000);
    EXPECT_EQ(timeStepNanoseconds("", false), 1'000'000'000);
    EXPECT_TRUE(keepsPermissions("ext4"));
    EXPECT_FALSE(keepsPermissions("exfat"));
    EXPECT_FALSE(keepsPermissions("vfat"));
}

// A mount table and a sysfs of our own.
class LocalVolumesTest : public ::testing::Test {
protected:
    LocalVolumesTest() {
        files.write(QStringLiteral("mountinfo"),
                    "22 27 0:21 / /proc rw - proc proc rw\n"
                    "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
                    "28 27 0:25 / /tmp rw - tmpfs tmpfs rw\n"
                    "45 27 8:17 / /media/ann/MY\\040STICK rw,relatime - vfat /dev/sdb1 rw\n"
                    "46 27 8:17 /sub /mnt/bind rw - vfat /dev/sdb1 rw\n"
                    "47 27 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
                    "48 27 0:50 / /net/share rw - nfs4 server:/export rw\n"
                    "49 27 0:31 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                    "50 27 8:33 / /media/disk rw - ext4 /dev/sdc1 rw\n"
                    "51 27 0:60 / /media/fuse rw - fuse.fusefat /dev/loop7 rw\n"
                    "52 45 0:61 / /media/ann/MY\\040STICK/inner rw - ext4 /dev/sdd1 rw\n");
        // sysfs: sdb is removable, sdc sits on USB, sdd is a plain fixed disk.
        const QString sys = files.makeDir(QStringLiteral("sys"));
        files.write(QStringLiteral("sys/devices/pci/sdb/removable"), "1\n");
        files.write(QStringLiteral("sys/devices/pci/sdb/sdb1/partition"), "1\n");
        files.write(QStringLiteral("sys/devices/pci/usb1/1-1/sdc/removable"), "0\n");
        files.write(QStringLiteral("sys/devices/pci/usb1/1-1/sdc/sdc1/partition"), "1\n");
        files.write(QStringLiteral("sys/devices/pci/sdd/removable"), "0\n");
        files.write(QStringLiteral("sys/devices/pci/sdd/sdd1/partition"), "1\n");
        files.makeDir(QStringLiteral("sys/class/block"));
        QFile::link(sys + QStringLiteral("/devices/pci/sdb/sdb1"),
                    sys + QStringLiteral("/class/block/sdb1"));
        QFile::link(sys + QStringLiteral("/devices/pci/usb1/1-1/sdc/sdc1"),
                    sys + QStringLiteral("/class/block/sdc1"));
        QFile::link(sys + QStringLiteral("/devices/pci/sdd/sdd1"),
                    sys + QStringLiteral("/class/block/sdd1"));
        volumes = std::make_unique<LocalVolumes>(
            files.path(QStringLiteral("mountinfo")).toStdString(), sys.toStdString(),
            files.path(QStringLiteral("by-uuid")).toStdString());
    }
    TestFiles files;
    std::unique_ptr<LocalVolumes> volumes;
};

TEST_F(LocalVolumesTest, RootsAreRealVolumesOncePerDeviceInTableOrder) {
    EXPECT_THAT(volumes->roots(),
                ElementsAre("/", "/media/ann/MY STICK/", "/media/cd/", "/net/share/",
                            "/media/disk/", "/media/fuse/", "/media/ann/MY STICK/inner/"));
}

TEST_F(LocalVolumesTest, DriveTypes) {
    EXPECT_EQ(volumes->driveType("/media/ann/MY STICK/"), DriveType::Removable);
    EXPECT_EQ(volumes->driveType("/media/disk/"), DriveType::Removable) << "on USB";
    EXPECT_EQ(volumes->driveType("/media/ann/MY STICK/inner/"), DriveType::Fixed);
    EXPECT_EQ(volumes->driveType("/media/cd/"), DriveType::CdRom);
    EXPECT_EQ(volumes->driveType("/net/share/"), DriveType::Remote);
    EXPECT_EQ(volumes->driveType("/nowhere/"), DriveType::NoRootDir);
}

TEST_F(LocalVolumesTest, CardReadersAndMappedVolumesFollowTheDeviceChainToTheDisk) {
    const QString sys = files.path(QStringLiteral("sys"));
    auto link = [&](const QString& target, const QString& at) {
        files.makeDir(at.left(at.lastIndexOf(QLatin1Char('/'))));
        ASSERT_TRUE(QFile::link(sys + QLatin1Char('/') + target, files.path(at)))
            << at.toStdString();
    };
    // A built-in reader: the disk is not removable and not on USB; the card in it is SD.
    files.write(QStringLiteral("sys/devices/platform/mmc0/mmc0:0001/type"), "SD\n");
    files.write(QStringLiteral("sys/devices/platform/mmc0/mmc0:0001/block/mmcblk0/removable"),
                "0\n");
    files.write(
        QStringLiteral("sys/devices/platform/mmc0/mmc0:0001/block/mmcblk0/mmcblk0p1/partition"),
        "1\n");
    link(QStringLiteral("devices/platform/mmc0/mmc0:0001"),
         QStringLiteral("sys/devices/platform/mmc0/mmc0:0001/block/mmcblk0/device"));
    link(QStringLiteral("devices/platform/mmc0/mmc0:0001/block/mmcblk0/mmcblk0p1"),
         QStringLiteral("sys/class/block/mmcblk0p1"));
    // Soldered eMMC storage is the same kind of device, and fixed.
    files.write(QStringLiteral("sys/devices/platform/mmc1/mmc1:0001/type"), "MMC\n");
    files.write(QStringLiteral("sys/devices/platform/mmc1/mmc1:0001/block/mmcblk1/removable"),
                "0\n");
    files.write(
        QStringLiteral("sys/devices/platform/mmc1/mmc1:0001/block/mmcblk1/mmcblk1p2/partition"),
        "2\n");
    link(QStringLiteral("devices/platform/mmc1/mmc1:0001"),
         QStringLiteral("sys/devices/platform/mmc1/mmc1:0001/block/mmcblk1/device"));
    link(QStringLiteral("devices/platform/mmc1/mmc1:0001/block/mmcblk1/mmcblk1p2"),
         QStringLiteral("sys/class/block/mmcblk1p2"));
    // Encrypted volumes: over the USB disk's partition (found by its numbers, as a
    // /dev/mapper name is), over the fixed disk's, and one spanning both.
    files.write(QStringLiteral("sys/devices/virtual/block/dm-3/dm/name"), "secret\n");
    link(QStringLiteral("devices/pci/usb1/1-1/sdc/sdc1"),
         QStringLiteral("sys/devices/virtual/block/dm-3/slaves/sdc1"));
    link(QStringLiteral("devices/virtual/block/dm-3"), QStringLiteral("sys/dev/block/254:3"));
    link(QStringLiteral("devices/pci/sdd/sdd1"),
         QStringLiteral("sys/devices/virtual/block/dm-4/slaves/sdd1"));
    link(QStringLiteral("devices/virtual/block/dm-4"), QStringLiteral("sys/class/block/dm-4"));
    link(QStringLiteral("devices/pci/usb1/1-1/sdc/sdc1"),
         QStringLiteral("sys/devices/virtual/block/dm-5/slaves/sdc1"));
    link(QStringLiteral("devices/pci/sdd/sdd1"),
         QStringLiteral("sys/devices/virtual/block/dm-5/slaves/sdd1"));
    link(QStringLiteral("devices/virtual/block/dm-5"), QStringLiteral("sys/class/block/dm-5"));
    // A mapping over a mapping over the USB disk (a volume group on an encrypted stick).
    link(QStringLiteral("devices/virtual/block/dm-3"),
         QStringLiteral("sys/devices/virtual/block/dm-6/slaves/dm-3"));
    link(QStringLiteral("devices/virtual/block/dm-6"), QStringLiteral("sys/class/block/dm-6"));
    files.write(QStringLiteral("mountinfo"),
                "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
                "60 27 179:1 / /media/card rw - vfat /dev/mmcblk0p1 rw\n"
                "61 27 179:10 / /media/emmc rw - ext4 /dev/mmcblk1p2 rw\n"
                "62 27 254:3 / /media/secret rw - ext4 /dev/mapper/secret rw\n"
                "63 27 254:4 / /media/vault rw - ext4 /dev/dm-4 rw\n"
                "64 27 254:5 / /media/span rw - ext4 /dev/dm-5 rw\n"
                "65 27 254:6 / /media/group rw - ext4 /dev/dm-6 rw\n"
                "66 27 254:7 / /media/lost rw - ext4 /dev/dm-7 rw\n");
    EXPECT_EQ(volumes->driveType("/media/card/"), DriveType::Removable);
    EXPECT_EQ(volumes->driveType("/media/emmc/"), DriveType::Fixed);
    EXPECT_EQ(volumes->driveType("/media/secret/"), DriveType::Removable);
    EXPECT_EQ(volumes->driveType("/media/vault/"), DriveType::Fixed);
    EXPECT_EQ(volumes->driveType("/media/span/"), DriveType::Fixed) << "partly on a fixed disk";
    EXPECT_EQ(volumes->driveType("/media/group/"), DriveType::Removable);
    EXPECT_EQ(volumes->driveType("/media/lost/"), DriveType::Fixed) << "no trace in sysfs";
}

TEST_F(LocalVolumesTest, FileSystemTypeOfAPathIsTheDeepestMount) {
    EXPECT_EQ(volumes->fileSystemType("/media/ann/MY STICK/docs/a.txt"), "vfat");
    EXPECT_EQ(volumes->fileSystemType("/media/ann/MY STICK/inner/x"), "ext4");
    EXPECT_EQ(volumes->fileSystemType("/media/ann/MY STICKER/x"), "ext4") << "not a prefix match";
    EXPECT_EQ(volumes->fileSystemType("/media/cd"), "iso9660");
}

TEST_F(LocalVolumesTest, SerialComesFromTheUuidLinks) {
    files.makeDir(QStringLiteral("by-uuid"));
    // The link must resolve to the device the table names; use a file of our own for both.
    const QString dev = files.write(QStringLiteral("dev-sdb1"), "");
    files.write(QStringLiteral("mountinfo"),
                QByteArray("60 1 8:17 / /stick rw - vfat ") + QFile::encodeName(dev) + "\n");
    QFile::link(dev, files.path(QStringLiteral("by-uuid/8A3F-1C22")));
    EXPECT_EQ(volumes->serial("/stick/"), -1975575518);
    EXPECT_EQ(volumes->serial("/elsewhere/"), 0);
}

TEST(ThreadPriorityTest, OnlyTheHelperThreadStepsBack) {
    const int before = ::getpriority(PRIO_PROCESS, 0);
    int helper = before;
    std::thread([&] {
        platform::yieldToForeground();
        helper = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    }).join();
    EXPECT_GT(helper, before);
    // The thread that serves the user keeps its place.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), before);
}

TEST(MountFieldTest, OctalEscapesAreDecoded) {
    EXPECT_EQ(LocalVolumes::unescapeMountField("a\\040b\\011c\\134d"), "a b\tc\\d");
    EXPECT_EQ(LocalVolumes::unescapeMountField("end\\04"), "end\\04");
}

TEST(LocalFileSystemTest, AttributeWord) {
    LocalFileSystem fs;
    TestFiles files;
    const std::string file = files.write(QStringLiteral("f"), "x").toStdString();
    const std::string dir = files.makeDir(QStringLiteral("d")).toStdString();
    const std::string hidden = files.write(QStringLiteral(".h"), "x").toStdString();
    EXPECT_EQ(fs.attributes(file), Attr::Normal);
    EXPECT_EQ(fs.attributes(dir), Attr::Directory);
    EXPECT_EQ(fs.attributes(hidden), Attr::Hidden);
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(fs.attributes(file), Attr::ReadOnly);
    const std::string link = files.path(QStringLiteral("l")).toStdString();
    ::symlink(dir.c_str(), link.c_str());
    EXPECT_EQ(fs.attributes(link), Attr::Directory | Attr::Reparse);
    EXPECT_FALSE(fs.attributes(files.path(QStringLiteral("none")).toStdString()).has_value());
}

TEST(LocalFileSystemTest, ListingCarriesNamesAndAttributes) {
    LocalFileSystem fs;
    TestFiles files;
    files.write(QStringLiteral("a.txt"), "x");
    files.makeDir(QStringLiteral("sub"));
    auto listed = fs.listDirectory(files.path().toStdString());
    ASSERT_TRUE(listed.ok());
    std::map<std::string, std::uint32_t> byName;
    for (const auto& e : listed.value().entries)
        byName[e.name] = e.attributes;
    EXPECT_EQ(byName["a.txt"], Attr::Normal);
    EXPECT_EQ(byName["sub"], Attr::Directory);
    EXPECT_FALSE(listed.value().foldsCase);
    struct stat self {};
    ::stat(files.path().toStdString().c_str(), &self);
    EXPECT_EQ(listed.value().device, static_cast<std::uint64_t>(self.st_dev));
    EXPECT_FALSE(fs.listDirectory(files.path(QStringLiteral("none")).toStdString()).ok());
}

TEST(LocalFileSystemTest, NamesThatAreNotUtf8AreListedAsTheirBytes) {
    LocalFileSystem fs;
    TestFiles files;
    const std::string name = std::string("caf") + '\xe9' + " ";
    const std::string path = files.path().toStdString() + "/" + name;
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    auto listed = fs.listDirectory(files.path().toStdString());
    ASSERT_TRUE(listed.ok());
    std::vector<std::string> names;
    for (const auto& e : listed.value().entries) {
        if (e.name != "." && e.name != "..")
            names.push_back(e.name);
    }
    EXPECT_EQ(names, std::vector<std::string>{name});
    EXPECT_TRUE(fs.stat(path).isRegular);
}

TEST(LocalFileSystemTest, TemporaryFilesCarryANameNoUserPicksAndTheDefaultMode) {
    EXPECT_TRUE(isTransferTempName(transferTempName(0x0123456789abcdefull)));
    EXPECT_EQ(transferTempName(0x0123456789abcdefull), ".quillet~0123456789abcdef.part");
    for (const char* name :
         {".quillet-report.tmp", ".quillet~0123456789ABCDEF.part", ".quillet~0123456789abcde.part",
          ".quillet~0123456789abcdef.part ", "quillet~0123456789abcdef.part", ".quillet-AbC123.tmp",
          // longer look-alikes are a user's files
          ".quillet~0123456789abcdef0.part", ".quillet~0123456789abcdef.x.part",
          ".quillet~0123456789abcdef.part.part"})
        EXPECT_FALSE(isTransferTempName(name)) << name;

    LocalFileSystem fs;
    TestFiles files;
    const mode_t mask = ::umask(022);
    auto temp = fs.createTemp(files.path(QStringLiteral("dest.txt")).toStdString());
    ::umask(mask);
    ASSERT_TRUE(temp.ok());
    const auto slash = temp.value().path.find_last_of('/');
    EXPECT_TRUE(isTransferTempName(temp.value().path.substr(slash + 1)));
    auto st = fs.stat(temp.value().handle);
    ASSERT_TRUE(st.ok());
    EXPECT_EQ(st.value().mode, 0644u) << "the user's default, not a private 0600";
    fs.close(temp.value().handle);
}

TEST(LocalFileSystemTest, ReadOnlyCountsAsProtectedEvenWhereWritingWouldWork) {
    LocalFileSystem fs;
    TestFiles files;
    const std::string file = files.write(QStringLiteral("f"), "x").toStdString();
    EXPECT_FALSE(fs.isWriteProtected(file));
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(fs.isWriteProtected(file));
    EXPECT_FALSE(fs.isWriteProtected(files.path(QStringLiteral("none")).toStdString()));
}

TEST(SettingsStoreTest, SectionsKeysAndDeletion) {
    TestFiles files;
    QSettingsStore store(files.path(QStringLiteral("s.ini")));
    EXPECT_EQ(store.read(QStringLiteral("SyncInfo"), QStringLiteral("SN"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
    store.write(QStringLiteral("SyncInfo"), QStringLiteral("SN"), QStringLiteral("-5"));
    store.write(QStringLiteral("-5"), QStringLiteral("LocalFile1"), QStringLiteral("/a, b"));
    store.write(QString(), QStringLiteral("LocalFile1"), QStringLiteral("ignored"));
    ASSERT_TRUE(store.sync());
    QSettingsStore again(files.path(QStringLiteral("s.ini")));
    EXPECT_EQ(again.read(QStringLiteral("-5"), QStringLiteral("LocalFile1"), QString()),
              QStringLiteral("/a, b"));
    EXPECT_EQ(again.read(QString(), QStringLiteral("LocalFile1"), QStringLiteral("none")),
              QStringLiteral("none"));
    again.deleteSection(QStringLiteral("-5"));
    again.deleteSection(QStringLiteral("never-there"));
    again.sync();
    QSettingsStore third(files.path(QStringLiteral("s.ini")));
    EXPECT_EQ(
        third.read(QStringLiteral("-5"), QStringLiteral("LocalFile1"), QStringLiteral("gone")),
        QStringLiteral("gone"));
    EXPECT_EQ(third.read(QStringLiteral("SyncInfo"), QStringLiteral("SN"), QString()),
              QStringLiteral("-5"));
}

// Makes a file unchangeable even for root (the tests may run as root, who ignores permission
// bits); undone when the guard ends so that the scratch folder can go.
class Immutable {
public:
    // A folder keeps its files writable, but takes no new file and loses none.
    explicit Immutable(const QString& path) : m_path(path), m_folder(QFileInfo(path).isDir()) {
        ::chmod(QFile::encodeName(path).constData(), m_folder ? 0555 : 0444);
        m_ok = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~Immutable() {
        if (m_ok)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        ::chmod(QFile::encodeName(m_path).constData(), m_folder ? 0755 : 0644);
    }
    // Whether writing is now refused for this process.
    bool holds() const { return m_ok || ::geteuid() != 0; }

private:
    QString m_path;
    bool m_folder = false;
    bool m_ok = false;
};

TEST(SettingsStoreTest, ReloadReadsWhatAnotherProgramWroteEvenWithTheSameSizeAndTime) {
    TestFiles files;
    const QString path = files.write(QStringLiteral("s.ini"), "[SyncInfo]\nConflicts=1\n");
    const QDateTime stamp = TestFiles::modified(path);
    const long nanoseconds = TestFiles::modifiedNanoseconds(path);
    QSettingsStore store(path);
    EXPECT_EQ(store.read(QStringLiteral("SyncInfo"), QStringLiteral("Conflicts"), QString()),
              QStringLiteral("1"));
    // Replaced as a save does, within the same tick of the file system's clock.
    files.write(QStringLiteral("new.ini"), "[SyncInfo]\nConflicts=4\n");
    TestFiles::setModified(files.path(QStringLiteral("new.ini")), stamp, nanoseconds);
    ASSERT_EQ(::rename(QFile::encodeName(files.path(QStringLiteral("new.ini"))).constData(),
                       QFile::encodeName(path).constData()),
              0);
    ASSERT_TRUE(store.reload());
    EXPECT_EQ(store.read(QStringLiteral("SyncInfo"), QStringLiteral("Conflicts"), QString()),
              QStringLiteral("4"));
}

TEST(SettingsStoreTest, TheFileIsReplacedWholeOrNotAtAll) {
    TestFiles files;
    const QByteArray before = "[SyncInfo]\nConflicts=1\n";
    const QString path = files.write(QStringLiteral("conf/s.ini"), before);
    const QString big(4096, QLatin1Char('x'));

    // A write the system ends part-way (the disk fills, the program is cut short) leaves
    // the stored file as it was, and nothing beside it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{static_cast<rlim_t>(before.size() + 64), RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &small);
        QSettingsStore store(path);
        store.write(QStringLiteral("SyncInfo"), QStringLiteral("Drive"), big);
        ::_exit(store.sync() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the cut write was reported";
    EXPECT_EQ(TestFiles::read(path), before);
    EXPECT_EQ(QDir(files.path(QStringLiteral("conf"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("s.ini")});

    // Where no new file can be made beside it, the file is not written in place instead.
    QSettingsStore store(path);
    Immutable folder(files.path(QStringLiteral("conf")));
    if (!folder.holds())
        GTEST_SKIP() << "chattr cannot make the folder unchangeable here";
    store.write(QStringLiteral("SyncInfo"), QStringLiteral("Drive"), big);
    EXPECT_FALSE(store.sync());
    EXPECT_EQ(TestFiles::read(path), before);
}

TEST(SettingsStoreTest, AStoreThatCannotBeWrittenSaysSoAndWhy) {
    TestFiles files;
    const QString path = files.write(QStringLiteral("s.ini"), "[SyncInfo]\nConflicts=1\n");
    QSettingsStore store(path);
    EXPECT_TRUE(store.writeError().isEmpty());
    {
        Immutable guard(path);
        if (!guard.holds())
            GTEST_SKIP() << "chattr cannot make the file unchangeable here";
        store.write(QStringLiteral("SyncInfo"), QStringLiteral("Conflicts"), QStringLiteral("2"));
        EXPECT_FALSE(store.sync());
        EXPECT_FALSE(store.writeError().isEmpty());
        EXPECT_EQ(TestFiles::read(path), QByteArray("[SyncInfo]\nConflicts=1\n"));
    }
    // Writable again: the next write goes through and is reported so.
    store.write(QStringLiteral("SyncInfo"), QStringLiteral("Conflicts"), QStringLiteral("3"));
    EXPECT_TRUE(store.sync());
    EXPECT_TRUE(TestFiles::read(path).contains("Conflicts=3"));

    // A store whose folder cannot exist: its parent is a file.
    files.write(QStringLiteral("plain"), "x");
    QSettingsStore nowhere(files.path(QStringLiteral("plain/s.ini")));
    nowhere.write(QStringLiteral("SyncInfo"), QStringLiteral("SN"), QStringLiteral("1"));
    EXPECT_FALSE(nowhere.sync());
    EXPECT_THAT(nowhere.writeError().toStdString(), ::testing::HasSubstr("cannot be made"));
}

TEST(UserLockTest, OneHolderAtATimeUntilReleased) {
    TestFiles files;
    UserLock first(QStringLiteral("a.lock"), files.path());
    UserLock second(QStringLiteral("a.lock"), files.path());
    UserLock other(QStringLiteral("b.lock"), files.path());
    EXPECT_EQ(first.take(), UserLock::Take::Taken);
    EXPECT_TRUE(first.held());
    EXPECT_EQ(first.take(), UserLock::Take::Taken) << "taking it again is no wait";
    EXPECT_EQ(second.take(std::chrono::milliseconds(150)), UserLock::Take::Busy);
    EXPECT_EQ(other.take(), UserLock::Take::Taken);
    first.release();
    EXPECT_FALSE(first.held());
    EXPECT_EQ(second.take(), UserLock::Take::Taken);
}

TEST(UserLockTest, AHolderThatDiedReleasesIt) {
    TestFiles files;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the lock and dies without a word, as kill -9 or a power cut would leave it.
        UserLock held(QStringLiteral("a.lock"), files.path());
        ::_exit(held.take() == UserLock::Take::Taken ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(files.path(QStringLiteral("a.lock"))));
    UserLock next(QStringLiteral("a.lock"), files.path());
    EXPECT_EQ(next.take(), UserLock::Take::Taken);
}

TEST(UserLockTest, OnlyALivingHolderKeepsItWhateverItsFileSays) {
    TestFiles files;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UserLock held(QStringLiteral("a.lock"), files.path());
        const char taken = held.take() == UserLock::Take::Taken ? 'y' : 'n';
        (void)!::write(ready[1], &taken, 1);
        for (;;)
            ::pause();
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(taken, 'y');
    UserLock next(QStringLiteral("a.lock"), files.path());
    EXPECT_EQ(next.take(std::chrono::milliseconds(100)), UserLock::Take::Busy);
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(next.take(), UserLock::Take::Taken) << "the lock died with its holder";
    next.release();

    // The system gives a killed holder's number to new processes, this program's too: a
    // file naming a living process of this program still keeps no one out.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    files.write(QStringLiteral("a.lock"), QByteArray::number(::getpid()) + '\n' +
                                              QFile::encodeName(QFileInfo(self).fileName()) + '\n' +
                                              QSysInfo::machineHostName().toUtf8() + '\n');
    EXPECT_EQ(next.take(), UserLock::Take::Taken);
}

TEST(UserLockTest, AFolderWhereNoLockCanBeMadeIsReported) {
    TestFiles files;
    files.write(QStringLiteral("plain"), "x");
    UserLock lock(QStringLiteral("a.lock"), files.path(QStringLiteral("plain")));
    EXPECT_EQ(lock.take(), UserLock::Take::Failed);
    EXPECT_THAT(lock.error().toStdString(), ::testing::HasSubstr("cannot be made"));
}

TEST(UserLockTest, NamesFollowTheStoreTheyGuard) {
    const QString a = UserLock::nameFor(QStringLiteral("pass"), QStringLiteral("/home/a/q.conf"));
    EXPECT_EQ(a, UserLock::nameFor(QStringLiteral("pass"), QStringLiteral("/home/a/q.conf")));
    EXPECT_NE(a, UserLock::nameFor(QStringLiteral("pass"), QStringLiteral("/home/b/q.conf")));
    EXPECT_NE(a, UserLock::nameFor(QStringLiteral("settings"), QStringLiteral("/home/a/q.conf")));
    EXPECT_TRUE(a.startsWith(QStringLiteral("Quillet-pass-")));
    EXPECT_TRUE(a.endsWith(QStringLiteral(".lock")));
}

// A shell in a mount namespace of its own, which mounts a scratch file system when told to:
// the watch sees that namespace's table through /proc, and the machine's own stays as it is.
class PrivateNamespace {
public:
    PrivateNamespace() {
        m_shell.setProcessChannelMode(QProcess::MergedChannels);
        m_shell.start(QStringLiteral("unshare"),
                      {QStringLiteral("-m"), QStringLiteral("--propagation"),
                       QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("echo ready; read go; mount -t tmpfs quillet-test '%1' && "
                                      "echo mounted; read end")
                           .arg(m_dir.path())});
        m_ready = m_shell.waitForStarted() && waitForLine("ready");
    }
    ~PrivateNamespace() {
        m_shell.write("\nend\n");
        if (!m_shell.waitForFinished(5000))
            m_shell.kill();
    }
    bool ready() const { return m_ready; }
    std::string mountInfo() const {
        return "/proc/" + std::to_string(m_shell.processId()) + "/mountinfo";
    }
    bool mount() {
        m_shell.write("go\n");
        return waitForLine("mounted");
    }
    QString output() const { return QString::fromLocal8Bit(m_output); }

private:
    bool waitForLine(const char* line) {
        while (!m_output.contains(line)) {
            if (!m_shell.waitForReadyRead(5000))
                return false;
            m_output += m_shell.readAll();
        }
        return true;
    }
    QTemporaryDir m_dir;
    QProcess m_shell;
    QByteArray m_output;
    bool m_ready = false;
};

TEST(MountTableTest, AMountIsReportedOnceAndNothingElseIs) {
    PrivateNamespace space;
    if (!space.ready())
        GTEST_SKIP() << "no private mount namespace here: " << space.output().toStdString();
    LinuxMountTable table(space.mountInfo());
    ASSERT_TRUE(table.watching());
    EXPECT_FALSE(table.changed()) << "nothing was mounted since it was opened";
    if (!space.mount())
        GTEST_SKIP() << "mounting is not allowed here: " << space.output().toStdString();
    EXPECT_TRUE(table.changed());
    EXPECT_FALSE(table.changed()) << "a change is reported once";
}

TEST(MountTableTest, ATableThatCannotBeOpenedNeverReportsAChange) {
    TestFiles files;
    LinuxMountTable table(files.path(QStringLiteral("missing")).toStdString());
    EXPECT_FALSE(table.watching());
    EXPECT_FALSE(table.changed());
}

TEST(ProcessStarterTest, ArgumentsReachTheProgramAsTheyAre) {
    TestFiles files;
    // A shell would run "qlt" in the background and split the rest at the blank.
    const QString made = files.path(QStringLiteral("qlt&a b;c"));
    ASSERT_TRUE(ProcessStarter::system().startDetached(QStringLiteral("/usr/bin/touch"), {made}));
    QDir folder(files.path());
    for (int wait = 0; wait < 100 && !QFile::exists(made); ++wait)
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(made));
    EXPECT_EQ(folder.entryList(QDir::Files), QStringList{QStringLiteral("qlt&a b;c")});
}

TEST(ProcessStarterTest, AMissingProgramIsReportedNotRun) {
    TestFiles files;
    EXPECT_FALSE(ProcessStarter::system().startDetached(files.path(QStringLiteral("BrevantUpdate")),
                                                        {QStringLiteral("qlt&x")}));
}

} // namespace
