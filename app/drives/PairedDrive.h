#pragma once

#include <QString>

#include <optional>

namespace quillet {

// The paired drive as the program reasons about it. The settings store keeps it as text;
// the conversion happens where the store is read and written, nowhere else.
struct PairedDrive {
    // The serial number's text exactly as stored. It also names the settings section that
    // holds this drive's sync list, so it is kept as it was written.
    QString serialText;
    // The serial as a number; none when nothing is paired or the stored text is no number.
    std::optional<qint32> DriveSerial;
    QString DriveRoot;           // the root it had when it was paired
    bool SameLetterOnly = false; // it must come back under the same root
    quint64 DriveSize = 0;

    bool isPaired() const { return !serialText.isEmpty(); }
};

} // namespace quillet
