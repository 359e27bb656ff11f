#include "LocalVolumes_linux.h"

#include <blkid/blkid.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace quillet::platform {

namespace {

const std::set<std::string>& networkTypes() {
    static const std::set<std::string> types = {"nfs",        "nfs4",        "cifs",  "smb3",
                                                "smbfs",      "ncpfs",       "afs",   "9p",
                                                "fuse.sshfs", "fuse.rclone", "davfs", "ceph"};
    return types;
}

std::string rootOf(const std::string& mountPoint) {
    return mountPoint.back() == '/' ? mountPoint : mountPoint + '/';
}

std::string realPath(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) == nullptr)
        return path;
    return buf;
}

std::string readFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Names in a folder, without "." and ".."; none when it cannot be read.
std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (struct dirent* ent = ::readdir(dir)) {
            const std::string name = ent->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Whether the block device whose sysfs folder is node lies on a removable disk, following
// partitions to their disk and mapped volumes down to the devices under them.
bool onRemovableDisk(const std::string& node, int depth) {
    // Device chains are short; a longer one is no chain of real devices.
    if (depth > 8 || !isDirectory(node))
        return false;
    // From the partition to its disk: /sys/class/block/sdb1 lives under .../block/sdb.
    std::string disk = node;
    if (std::ifstream(node + "/partition").good())
        disk = node.substr(0, node.find_last_of('/'));
    // A mapped, encrypted or assembled volume (device-mapper, RAID) is removable when all it
    // lies on is: an encrypted USB stick is one, a volume that spans a fixed disk is not.
    const std::vector<std::string> below = entriesOf(disk + "/slaves");
    if (!below.empty())
        return std::all_of(below.begin(), below.end(), [&](const std::string& slave) {
            return onRemovableDisk(realPath(disk + "/slaves/" + slave), depth + 1);
        });
    if (readFirstLine(disk + "/removable") == "1")
        return true;
    if (disk.find("/usb") != std::string::npos)
        return true;
    // Built-in card readers show a card as a fixed disk; an SD card comes and goes, while
    // eMMC (type MMC) is soldered to the board.
    const std::string diskName = disk.substr(disk.find_last_of('/') + 1);
    return diskName.rfind("mmcblk", 0) == 0 && readFirstLine(disk + "/device/type") == "SD";
}

bool isBlockDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

// One probe of a block device's superblock for a tag ("UUID", "TYPE").
std::string probeTag(const std::string& device, const char* tag) {
    blkid_probe pr = blkid_new_probe_from_filename(device.c_str());
    if (!pr)
        return {};
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    std::string value;
    if (blkid_do_safeprobe(pr) == 0) {
        const char* data = nullptr;
        size_t len = 0;
        if (blkid_probe_lookup_value(pr, tag, &data, &len) == 0 && data)
            value.assign(data);
    }
    blkid_free_probe(pr);
    return value;
}

} // namespace

VolumeService& VolumeService::system() {
    static LocalVolumes instance;
    return instance;
}

LocalVolumes::LocalVolumes(std::string mountInfo, std::string sysRoot, std::string byUuidDir)
    : m_mountInfo(std::move(mountInfo)), m_sysRoot(std::move(sysRoot)),
      m_byUuidDir(std::move(byUuidDir)) {}

std::string LocalVolumes::unescapeMountField(const std::string& field) {
    // The kernel writes space, tab, newline and backslash as three octal digits.
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<long>(i) + 1,
                        field.begin() + static_cast<long>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<MountEntry> LocalVolumes::mounts() const {
    std::vector<MountEntry> result;
    std::ifstream in(m_mountInfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, options, field;
        if (!(fields >> id >> parent >> device >> root >> mountPoint >> options))
            continue;
        while (fields >> field && field != "-") {
        }
        MountEntry m;
        m.device = device;
        m.mountPoint = unescapeMountField(mountPoint);
        if (!(fields >> m.fsType >> m.source))
            continue;
        m.source = unescapeMountField(m.source);
        result.push_back(std::move(m));
    }
    return result;
}

bool LocalVolumes::isRealVolume(const MountEntry& m) {
    if (networkTypes().count(m.fsType))
        return true;
    static const std::set<std::string> pseudo = {"proc",   "sysfs",   "tmpfs",   "devtmpfs",
                                                 "cgroup", "cgroup2", "overlay", "squashfs",
                                                 "autofs", "devpts",  "mqueue",  "debugfs"};
    if (pseudo.count(m.fsType))
        return false;
    return m.source.rfind("/dev/", 0) == 0;
}

std::vector<std::string> LocalVolumes::roots() {
    std::vector<std::string> result;
    std::set<std::string> devices;
    for (const auto& m : mounts()) {
        if (!isRealVolume(m))
            continue;
        // One root per device: a bind mount of the same volume is not a second drive.
        if (!devices.insert(m.device).second)
            continue;
        result.push_back(rootOf(m.mountPoint));
    }
    return result;
}

const MountEntry* LocalVolumes::findRoot(const std::vector<MountEntry>& all,
                                         const std::string& root) const {
    const MountEntry* found = nullptr;
    for (const auto& m : all) {
        // The latest mount on a point hides the earlier ones.
        if (rootOf(m.mountPoint) == root)
            found = &m;
    }
    return found;
}

DriveType LocalVolumes::driveType(const std::string& root) {
    const auto all = mounts();
    const MountEntry* m = findRoot(all, root);
    if (!m)
        return DriveType::NoRootDir;
    if (networkTypes().count(m->fsType))
        return DriveType::Remote;
    if (m->source.rfind("/dev/", 0) != 0)
        return DriveType::Unknown;
    const std::string device = realPath(m->source);
    const std::string name = device.substr(device.find_last_of('/') + 1);
    if (name.rfind("sr", 0) == 0)
        return DriveType::CdRom;
    // The device's folder in sysfs, by its name or else by its numbers.
    std::string node = m_sysRoot + "/class/block/" + name;
    if (!isDirectory(node))
        node = m_sysRoot + "/dev/block/" + m->device;
    return onRemovableDisk(realPath(node), 0) ? DriveType::Removable : DriveType::Fixed;
}

std::uint64_t LocalVolumes::totalBytes(const std::string& root) {
    struct statvfs sv {};
    if (::statvfs(root.c_str(), &sv) != 0)
        return 0;
    return static_cast<std::uint64_t>(sv.f_blocks) * static_cast<std::uint64_t>(sv.f_frsize);
}

std::string LocalVolumes::uuidOf(const std::string& source) const {
    const std::string target = realPath(source);
    if (DIR* dir = ::opendir(m_byUuidDir.c_str())) {
        std::string uuid;
        while (struct dirent* ent = ::readdir(dir)) {
            const std::string name = ent->d_name;
            if (name == "." || name == "..")
                continue;
            if (realPath(m_byUuidDir + "/" + name) == target) {
                uuid = name;
                break;
            }
        }
        ::closedir(dir);
        if (!uuid.empty())
            return uuid;
    }
    if (!isBlockDevice(target))
        return {};
    return probeTag(target, "UUID");
}

std::int32_t LocalVolumes::serial(const std::string& root) {
    const auto all = mounts();
    const MountEntry* m = findRoot(all, root);
    if (!m)
        return 0;
    const std::string uuid = uuidOf(m->source);
    if (uuid.empty())
        return 0;
    std::string type = m->fsType;
    if (type.rfind("fuse", 0) == 0 && isBlockDevice(m->source))
        type = probeTag(realPath(m->source), "TYPE");
    return volumeSerialFromUuid(uuid, type);
}

const MountEntry* LocalVolumes::mountOf(const std::vector<MountEntry>& all,
                                        const std::string& path) const {
    const MountEntry* best = nullptr;
    std::size_t bestLen = 0;
    const std::string full = realPath(path.empty() ? std::string("/") : path);
    for (const auto& m : all) {
        const std::string root = rootOf(m.mountPoint);
        const bool inside = full == m.mountPoint || (full + '/').rfind(root, 0) == 0;
        if (inside && root.size() >= bestLen) {
            best = &m;
            bestLen = root.size();
        }
    }
    return best;
}

bool LocalVolumes::answersOverARoundTrip(const std::string& path) {
    const auto all = mounts();
    const MountEntry* m = mountOf(all, path);
    return m && (m->fsType.rfind("fuse", 0) == 0 || networkTypes().count(m->fsType) > 0);
}

std::string LocalVolumes::fileSystemType(const std::string& path) {
    const auto all = mounts();
    const MountEntry* best = mountOf(all, path);
    if (!best)
        return {};
    // FUSE hides the real file system behind its own name; ask the device.
    if (best->fsType.rfind("fuse", 0) == 0 && isBlockDevice(best->source)) {
        const std::string probed = probeTag(realPath(best->source), "TYPE");
        if (!probed.empty())
            return probed;
    }
    return best->fsType;
}

} // namespace quillet::platform
