#pragma once

#include "TrayIconData.h"

#include <functional>
#include <utility>

namespace quillet {

// The notification area as the icon control sees it: one call taking a command and
// the icon record, and mouse messages coming back for the icon.
class NotifyIconShell {
public:
    static constexpr quint32 NIM_ADD = 0;
    static constexpr quint32 NIM_MODIFY = 1;
    static constexpr quint32 NIM_DELETE = 2;
    static constexpr quint32 NIF_MESSAGE = 1;
    static constexpr quint32 NIF_ICON = 2;
    static constexpr quint32 NIF_TIP = 4;
    // A message beside the icon (szInfoTitle, szInfo), shown once by the modify that has it.
    static constexpr quint32 NIF_INFO = 0x10;
    // The message that comes back when the person clicks such a message.
    static constexpr int NIN_BALLOONUSERCLICK = 0x405;

    virtual ~NotifyIconShell() = default;

    // Adds, modifies or deletes the icon identified by (hWnd, uID). True on success.
    virtual bool ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) = 0;

    // The control's message handler: receives the mouse message numbers (513 = left
    // button down, ...) of what happened over the icon.
    void SetCallback(std::function<void(int)> callback) { m_callback = std::move(callback); }

protected:
    void SendCallback(int message) const {
        if (m_callback)
            m_callback(message);
    }

private:
    std::function<void(int)> m_callback;
};

} // namespace quillet
