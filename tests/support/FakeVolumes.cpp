#include "FakeVolumes.h"

#include <algorithm>

namespace quillet::test {

void FakeVolumes::remove(const std::string& root) {
    m_volumes.erase(std::remove_if(m_volumes.begin(), m_volumes.end(),
                                   [&](const Volume& v) { return v.root == root; }),
                    m_volumes.end());
}

FakeVolumes::Volume* FakeVolumes::find(const std::string& root) {
    for (auto& v : m_volumes) {
        if (v.root == root)
            return &v;
    }
    return nullptr;
}

std::vector<std::string> FakeVolumes::roots() {
    std::vector<std::string> out;
    for (const auto& v : m_volumes)
        out.push_back(v.root);
    return out;
}

platform::DriveType FakeVolumes::driveType(const std::string& root) {
    const Volume* v = find(root);
    return v ? v->type : platform::DriveType::NoRootDir;
}

std::uint64_t FakeVolumes::totalBytes(const std::string& root) {
    sizeReads.push_back(root);
    const Volume* v = find(root);
    return v ? v->bytes : 0;
}

std::int32_t FakeVolumes::serial(const std::string& root) {
    ++serialReads;
    const Volume* v = find(root);
    return v ? v->serial : 0;
}

bool FakeVolumes::answersOverARoundTrip(const std::string& path) {
    const Volume* best = nullptr;
    for (const auto& v : m_volumes) {
        if (path.rfind(v.root, 0) == 0 && (!best || v.root.size() > best->root.size()))
            best = &v;
    }
    return best && best->roundTrip;
}

std::string FakeVolumes::fileSystemType(const std::string& path) {
    const Volume* best = nullptr;
    for (const auto& v : m_volumes) {
        if (path.rfind(v.root, 0) == 0 && (!best || v.root.size() > best->root.size()))
            best = &v;
    }
    return best ? best->fsType : std::string("ext4");
}

} // namespace quillet::test
