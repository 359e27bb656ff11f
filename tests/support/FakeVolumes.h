#pragma once

#include "platform/VolumeService.h"

#include <map>
#include <string>
#include <vector>

namespace quillet::test {

// Volumes as a test declares them: roots in order, each with a type, size, serial and
// file system type. A root may be any folder, a temporary one included.
class FakeVolumes : public platform::VolumeService {
public:
    struct Volume {
        std::string root;
        platform::DriveType type = platform::DriveType::Removable;
        std::uint64_t bytes = 0;
        std::int32_t serial = 0;
        std::string fsType = "ext4";
        bool roundTrip = false; // FUSE or a network file system
    };

    void add(const Volume& v) { m_volumes.push_back(v); }
    void clear() { m_volumes.clear(); }
    void remove(const std::string& root);
    Volume* find(const std::string& root);

    std::vector<std::string> roots() override;
    platform::DriveType driveType(const std::string& root) override;
    std::uint64_t totalBytes(const std::string& root) override;
    std::int32_t serial(const std::string& root) override;
    std::string fileSystemType(const std::string& path) override;
    bool answersOverARoundTrip(const std::string& path) override;

    int serialReads = 0;
    std::vector<std::string> sizeReads;

private:
    std::vector<Volume> m_volumes;
};

} // namespace quillet::test
