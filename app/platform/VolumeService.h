#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::platform {

// Drive types, numbered as Windows numbers them.
enum class DriveType : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
};

// Volume services: plain C++. A root is a mount point with one trailing separator.
class VolumeService {
public:
    virtual ~VolumeService() = default;

    // Every root of a real volume, in the system's order, one per device.
    virtual std::vector<std::string> roots() = 0;
    virtual DriveType driveType(const std::string& root) = 0;
    // Total size in bytes; 0 when the volume cannot be read.
    virtual std::uint64_t totalBytes(const std::string& root) = 0;
    // Serial number by the rule of volumeSerialFromUuid; 0 when unreadable.
    virtual std::int32_t serial(const std::string& root) = 0;
    // File system type of the volume that holds "path" ("ext4", "vfat", ...); "" if unknown.
    virtual std::string fileSystemType(const std::string& path) = 0;
    // Whether every look at the volume that holds "path" is a round trip to another process
    // or machine (FUSE, network file systems): such a volume answers several looks at once
    // faster than one after the other.
    virtual bool answersOverARoundTrip(const std::string& path) = 0;

    static VolumeService& system();
};

// The serial Windows would show for a volume with this UUID: FAT and exFAT "8A3F-1C22" give
// 0x8A3F1C22, NTFS the low 32 bits of its 64-bit number, anything else its first eight hex
// digits. Returned as signed 32-bit; 0 when the text has too few hex digits.
std::int32_t volumeSerialFromUuid(const std::string& uuid, const std::string& fsType);

// File systems that keep modification times in 2-second steps.
bool hasTwoSecondTimes(const std::string& fsType);

// The finest step, in nanoseconds, in which a file system keeps modification times: two
// times closer than this may be one time stored twice. throughFuse: the volume is served by a
// FUSE driver (exFAT's keeps whole seconds, the kernel's 10 ms). A file system not known to
// keep finer times counts as keeping seconds.
std::int64_t timeStepNanoseconds(const std::string& fsType, bool throughFuse);

// File systems that keep no permissions of their own: every file shows the same mode.
bool keepsPermissions(const std::string& fsType);

// File systems whose names ignore case ("Report.txt" and "report.txt" are one file).
// Folders elsewhere may fold case too (ext4 with casefold): a folder's Listing::foldsCase
// says so.
bool hasCaseInsensitiveNames(const std::string& fsType);

// True when a file system refuses a file name: the FAT family, exFAT and NTFS refuse control
// characters and " * : < > ? \ |. (Their limit of 255 UTF-16 units is never less than the
// 255 bytes a name here can have.)
bool refusesName(const std::string& fsType, const std::string& name);

} // namespace quillet::platform
