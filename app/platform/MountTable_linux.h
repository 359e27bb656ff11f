#pragma once

#include "MountTable.h"

#include <string>

namespace quillet::platform {

// The kernel's mount table: an open mountinfo file reports a change of its mount namespace
// as an exceptional condition to poll, and polling takes the change note away.
class LinuxMountTable : public MountTable {
public:
    // mountInfo is the /proc mountinfo file of the namespace to watch.
    explicit LinuxMountTable(const std::string& mountInfo = "/proc/self/mountinfo");
    ~LinuxMountTable() override;
    LinuxMountTable(const LinuxMountTable&) = delete;
    LinuxMountTable& operator=(const LinuxMountTable&) = delete;

    bool changed() override;
    bool watching() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace quillet::platform
