#include "VolumeService.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quillet::platform {

std::int32_t volumeSerialFromUuid(const std::string& uuid, const std::string& fsType) {
    std::string hex;
    for (char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += c;
        else if (c != '-')
            return 0;
    }
    if (hex.size() < 8)
        return 0;
    // NTFS serials are 64 bits; Windows shows their low half.
    const bool ntfs = fsType == "ntfs" || fsType == "ntfs3" || fsType == "fuseblk.ntfs" ||
                      (fsType.empty() && uuid.size() == 16 && hex.size() == 16);
    const std::string digits = ntfs ? hex.substr(hex.size() - 8) : hex.substr(0, 8);
    const std::uint32_t value = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    return static_cast<std::int32_t>(value);
}

bool hasTwoSecondTimes(const std::string& fsType) {
    return fsType == "vfat" || fsType == "msdos" || fsType == "fat" || fsType == "fat12" ||
           fsType == "fat16" || fsType == "fat32" || fsType == "umsdos";
}

std::int64_t timeStepNanoseconds(const std::string& fsType, bool throughFuse) {
    constexpr std::int64_t Second = 1'000'000'000;
    if (hasTwoSecondTimes(fsType))
        return 2 * Second;
    if (fsType == "exfat")
        return throughFuse ? Second : 10'000'000;
    if (fsType == "ntfs" || fsType == "ntfs3" || fsType == "fuseblk.ntfs")
        return 100;
    if (fsType == "ext4" || fsType == "btrfs" || fsType == "xfs" || fsType == "tmpfs" ||
        fsType == "f2fs" || fsType == "zfs" || fsType == "bcachefs" || fsType == "nilfs2")
        return 1;
    return Second;
}

bool keepsPermissions(const std::string& fsType) {
    return !hasCaseInsensitiveNames(fsType) || fsType == "hfsplus";
}

bool refusesName(const std::string& fsType, const std::string& name) {
    // The FAT family, exFAT and NTFS: the case-folding file systems but Apple's.
    if (!hasCaseInsensitiveNames(fsType) || fsType == "hfsplus")
        return false;
    return std::any_of(name.begin(), name.end(), [](char byte) {
        return static_cast<unsigned char>(byte) < 0x20 ||
               std::string_view("\"*:<>?\\|").find(byte) != std::string_view::npos;
    });
}

bool hasCaseInsensitiveNames(const std::string& fsType) {
    return hasTwoSecondTimes(fsType) || fsType == "exfat" || fsType == "ntfs" ||
           fsType == "ntfs3" || fsType == "fuseblk.ntfs" || fsType == "hfsplus";
}

} // namespace quillet::platform
