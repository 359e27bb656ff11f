#pragma once

#include <QtGlobal>

namespace quillet {

// How a pass resolves two files that differ: the index of the chosen entry of the conflict
// list. A stored value outside the list is kept as it is, and such a mode copies nothing.
class ConflictMode {
public:
    enum Value : qint16 {
        KeepLatest = 0,
        LocalToDrive = 1,
        DriveToLocal = 2,
        KeepLatestAsking = 3,
        LocalToDriveAsking = 4,
        DriveToLocalAsking = 5,
    };
    // Which way a copy goes, whichever side is newer.
    enum class Direction { Newer, ToDrive, ToLocal, None };

    constexpr ConflictMode() = default;
    constexpr ConflictMode(qint16 value) : m_value(value) {}

    constexpr qint16 value() const { return m_value; }
    constexpr bool isListed() const {
        return m_value >= KeepLatest && m_value <= DriveToLocalAsking;
    }
    // The prompting modes ask before each replacement.
    constexpr bool asksFirst() const { return m_value >= KeepLatestAsking; }
    constexpr Direction direction() const {
        switch (m_value) {
        case KeepLatest:
        case KeepLatestAsking:
            return Direction::Newer;
        case LocalToDrive:
        case LocalToDriveAsking:
            return Direction::ToDrive;
        case DriveToLocal:
        case DriveToLocalAsking:
            return Direction::ToLocal;
        default:
            return Direction::None;
        }
    }
    // Always one way: never writes over a file of the other side.
    constexpr bool isOneWay() const {
        return direction() == Direction::ToDrive || direction() == Direction::ToLocal;
    }

    friend constexpr bool operator==(ConflictMode, ConflictMode) = default;

private:
    qint16 m_value = KeepLatest;
};

} // namespace quillet
