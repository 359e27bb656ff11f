#pragma once

#include <memory>

namespace quillet::platform {

// Tells when volumes are mounted or unmounted, so that a drive plugged in is seen at once
// rather than at the next timed search. Asking is cheap: it is meant to be asked every
// second.
class MountTable {
public:
    virtual ~MountTable() = default;

    // True when something was mounted or unmounted since the last call (or since opening).
    virtual bool changed() = 0;

    // The mount table of this process. A table that cannot be watched never reports a
    // change: the timed searches still find the drive.
    static std::unique_ptr<MountTable> open();
};

} // namespace quillet::platform
