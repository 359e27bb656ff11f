#pragma once

#include "TestFiles.h"

#include <QString>

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Real drives for tests: file system images on loop devices, mounted in a mount namespace
// private to the test process, so that nothing shows in the machine's mount table and the
// programs a test starts see the same mounts.
//
//     VolumeImages volumes;
//     MountedVolume* stick = volumes.mount(VolumeKind::Fat16);
//     if (!stick)
//         GTEST_SKIP() << volumes.whyNot();
//     ... stick->root(), stick->serial(), stick->pullOut() ...
//
// Every image gets a random UUID or volume id and a random, unusual size: other images may
// be mounted on the same machine, and a drive is known by its serial and its size.
namespace quillet::test {

enum class VolumeKind {
    Ext4,  // the kernel's own driver
    Fat16, // fusefat: times in 2-second steps, folds case
    ExFat, // exfat-fuse: folds case
};

// Normal: some tens of MiB. Small: a few MiB, for a drive that fills up.
enum class VolumeSize { Normal, Small };

// Where a volume is mounted again: where it was, or at a new mount point.
enum class MountPoint { Same, New };

// "Ext4", "Fat16", "ExFat": for test names and messages.
std::string kindName(VolumeKind kind);
void PrintTo(VolumeKind kind, std::ostream* os);

// For tests run on every kind of drive:
//     INSTANTIATE_TEST_SUITE_P(EveryKind, SomeTest, EveryVolumeKind(), KindName());
inline auto EveryVolumeKind() {
    return ::testing::Values(VolumeKind::Ext4, VolumeKind::Fat16, VolumeKind::ExFat);
}
struct KindName {
    std::string operator()(const ::testing::TestParamInfo<VolumeKind>& param) const {
        return kindName(param.param);
    }
};

// One image on its loop device; mounted unless a test pulled it out or unmounted it.
class MountedVolume {
public:
    MountedVolume(VolumeKind kind, QString image, QString device, std::int32_t serial,
                  std::uint64_t imageBytes, QString mountPoints);
    ~MountedVolume();
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;

    VolumeKind kind() const { return m_kind; }
    // The mount point with a trailing '/', as the program names roots; empty when unmounted.
    QString root() const;
    // The loop device ("/dev/loop7"): the mount's source, where the serial is read.
    QString device() const { return m_device; }
    QString image() const { return m_image; }
    // The serial the program should read for this volume.
    std::int32_t serial() const { return m_serial; }
    std::uint64_t imageBytes() const { return m_imageBytes; }
    // The total size the program should read (statvfs), in bytes; 0 when unmounted.
    std::uint64_t totalBytes() const;
    bool foldsCase() const { return m_kind != VolumeKind::Ext4; }
    bool keepsTwoSecondTimes() const { return m_kind == VolumeKind::Fat16; }
    bool isFuse() const { return m_kind != VolumeKind::Ext4; }
    // The FUSE process serving the mount.
    std::optional<pid_t> fuseProcess() const;

    // The drive is pulled out: its mount point goes and becomes a bare folder again, where
    // later writes by path would land on the system disk. ext4: `umount -l` (open files
    // keep working); FUSE: the FUSE process is killed, then `fusermount -u -z`.
    ::testing::AssertionResult pullOut();
    // The device fails under open files; the mount point stays and every access fails.
    // ext4: the EXT4_IOC_SHUTDOWN ioctl; FUSE: the FUSE process is killed.
    ::testing::AssertionResult failDevice();
    // The drive becomes read-only at the same root.
    ::testing::AssertionResult remountReadOnly();
    // A clean unmount: everything written reaches the image.
    ::testing::AssertionResult unmount();
    // Mounts again (after a repair where the kind needs one when it was pulled out).
    ::testing::AssertionResult mountAgain(MountPoint where = MountPoint::New,
                                          bool readOnly = false);

    // Used by VolumeImages: mounts at a new point; the tool's complaint when it cannot.
    std::optional<QString> mountFirst();
    // Unmounts whatever is left and detaches the loop device.
    void release();

private:
    std::optional<QString> mountAt(const QString& point, bool readOnly);
    ::testing::AssertionResult killFuseProcess();
    QString newMountPoint();

    VolumeKind m_kind;
    QString m_image;
    QString m_device;
    std::int32_t m_serial;
    std::uint64_t m_imageBytes;
    QString m_mountPoints; // folder that holds this volume's mount points
    int m_mountCount = 0;
    QString m_mountPoint; // without a trailing '/'; empty when unmounted
    QString m_lastPoint;
    bool m_needsRepair = false;
    bool m_released = false;
};

// Makes, mounts and at the end removes test volumes. Needs root.
class VolumeImages {
public:
    VolumeImages();
    ~VolumeImages();
    VolumeImages(const VolumeImages&) = delete;
    VolumeImages& operator=(const VolumeImages&) = delete;

    // A new image of this kind, formatted and mounted; null when this machine cannot (not
    // root, a tool missing, mounting not allowed): whyNot() says why, for GTEST_SKIP. A
    // step that should have worked (formatting) also fails the test.
    MountedVolume* mount(VolumeKind kind, VolumeSize size = VolumeSize::Normal);
    const QString& whyNot() const { return m_whyNot; }

private:
    MountedVolume* mountOrSayWhy(VolumeKind kind, VolumeSize size);

    TestFiles m_scratch;
    std::vector<std::unique_ptr<MountedVolume>> m_volumes;
    QString m_whyNot;
};

// Once per process, when root: a mount namespace of its own, with every mount private, so
// that test mounts never reach the machine's mount table. Why not, when it cannot.
std::optional<QString> usePrivateMounts();

} // namespace quillet::test
