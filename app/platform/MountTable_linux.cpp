#include "MountTable_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace quillet::platform {

LinuxMountTable::LinuxMountTable(const std::string& mountInfo)
    : m_fd(::open(mountInfo.c_str(), O_RDONLY | O_CLOEXEC)) {}

LinuxMountTable::~LinuxMountTable() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LinuxMountTable::changed() {
    if (m_fd < 0)
        return false;
    pollfd watched{m_fd, POLLPRI, 0};
    if (::poll(&watched, 1, 0) <= 0)
        return false;
    return (watched.revents & (POLLPRI | POLLERR)) != 0;
}

std::unique_ptr<MountTable> MountTable::open() {
    return std::make_unique<LinuxMountTable>();
}

} // namespace quillet::platform
