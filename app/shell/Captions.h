#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace quillet {

// The version this program was built as.
struct BuildVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
    static BuildVersion current();
};

// The texts of the windows that are built from pieces, and the type they are set in.
namespace Captions {

// The windows' type, and the push buttons' (their own face, at the same size).
QFont windowFont();
QFont buttonFont();

QString programTitle();
// "Quillet Version 1.05": the minor number with at least two digits.
QString mainCaption(const BuildVersion& version);
// The line under the buttons: the caption, the build and our legal notice.
QString aboutLine(const BuildVersion& version);
// "Quillet 1.5": the pairing dialog's caption.
QString pairingCaption(const BuildVersion& version);
// "v2.01.15": the splash window's version.
QString splashVersion(const BuildVersion& version);

// The entries of the two option lists, in list order.
QStringList conflictEntries();
QStringList refreshEntries();

// The caption with an access key: "&" before its first letter that is not in taken (which
// gains that letter). "&" already in the caption is shown as itself.
QString withAccessKey(const QString& caption, QString& taken);
// The caption as a person reads it, without the access key's marker.
QString plainText(const QString& caption);

} // namespace Captions

} // namespace quillet
