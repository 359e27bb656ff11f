#pragma once

#include "VolumeService.h"

#include <string>
#include <vector>

namespace quillet::platform {

// One line of the mount table, as much of it as we use.
struct MountEntry {
    std::string device; // major:minor
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// Volumes of the running system, read from the kernel's mount table and sysfs. The places
// it reads are parameters so that tests can hand it a mount table and a sysfs of their own.
class LocalVolumes : public VolumeService {
public:
    LocalVolumes(std::string mountInfo = "/proc/self/mountinfo", std::string sysRoot = "/sys",
                 std::string byUuidDir = "/dev/disk/by-uuid");

    std::vector<std::string> roots() override;
    DriveType driveType(const std::string& root) override;
    std::uint64_t totalBytes(const std::string& root) override;
    std::int32_t serial(const std::string& root) override;
    std::string fileSystemType(const std::string& path) override;
    bool answersOverARoundTrip(const std::string& path) override;

    std::vector<MountEntry> mounts() const;
    // Whether a mount is a real volume: block-device or network sources, not proc, sysfs,
    // tmpfs, cgroup and the like.
    static bool isRealVolume(const MountEntry& m);
    static std::string unescapeMountField(const std::string& field);

private:
    // The mount that holds path: the longest mount point above it, the latest on a point.
    const MountEntry* mountOf(const std::vector<MountEntry>& all, const std::string& path) const;
    const MountEntry* findRoot(const std::vector<MountEntry>& all, const std::string& root) const;
    std::string uuidOf(const std::string& source) const;

    std::string m_mountInfo;
    std::string m_sysRoot;
    std::string m_byUuidDir;
};

} // namespace quillet::platform
