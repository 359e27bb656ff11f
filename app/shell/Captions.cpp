#include "Captions.h"

#include "base/Translate.h"
#include "controls/XPButton.h"

#include <QApplication>

namespace quillet {

BuildVersion BuildVersion::current() {
    return BuildVersion{QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR, QUILLET_VERSION_REVISION};
}

namespace Captions {

namespace {
// Eight points on a 96 dpi screen.
constexpr int WindowFontPixels = 11;

QString twoDigits(int number) {
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}
} // namespace

QFont windowFont() {
    QFont font = QApplication::font();
    font.setPixelSize(WindowFontPixels);
    return font;
}

QFont buttonFont() {
    QFont font = XPButton::DesignFont();
    font.setPixelSize(WindowFontPixels);
    return font;
}

QString programTitle() {
    return QStringLiteral("Quillet");
}

QString mainCaption(const BuildVersion& version) {
    return programTitle() + QLatin1Char(' ') + Translate(QStringLiteral("Version")) +
           QLatin1Char(' ') + QString::number(version.major) + QLatin1Char('.') +
           twoDigits(version.minor);
}

QString aboutLine(const BuildVersion& version) {
    return mainCaption(version) + QLatin1Char(' ') + Translate(QStringLiteral("Build")) +
           QLatin1Char(' ') + QString::number(version.revision) + QStringLiteral(" - ") +
           Translate(QStringLiteral("\u00A9 the Quillet developers. Free software, no warranty."));
}

QString pairingCaption(const BuildVersion& version) {
    return programTitle() + QLatin1Char(' ') + QString::number(version.major) + QLatin1Char('.') +
           QString::number(version.minor);
}

QString splashVersion(const BuildVersion& version) {
    return QLatin1Char('v') + QString::number(version.major) + QLatin1Char('.') +
           twoDigits(version.minor) + QLatin1Char('.') + QString::number(version.revision);
}

QStringList conflictEntries() {
    return {Translate(QStringLiteral("Keep the latest file on both.")),
            Translate(QStringLiteral("Copy from Local PC to Removable Drive")),
            Translate(QStringLiteral("Copy from Removable Drive to Local PC")),
            Translate(QStringLiteral("Keep the latest file on both. (Prompt before any change)")),
            Translate(QStringLiteral(
                "Copy from Local PC to Removable Drive. (Prompt before any change)")),
            Translate(QStringLiteral(
                "Copy from Removable Drive to Local PC. (Prompt before any change)"))};
}

QStringList refreshEntries() {
    // "Every", a blank, the number piece as it stands (blanks included), the unit word.
    struct Piece {
        const char* number;
        const char* unit;
    };
    static const Piece pieces[] = {{" 5 ", "seconds"}, {"10 ", "seconds"}, {"30 ", "seconds"},
                                   {"", "minute"},     {" 5 ", "minutes"}, {"10 ", "minutes"},
                                   {"15 ", "minutes"}, {"30 ", "minutes"}, {" 1 ", "hour"}};
    QStringList entries;
    for (const Piece& piece : pieces)
        entries << Translate(QStringLiteral("Every")) + QLatin1Char(' ') +
                       QLatin1String(piece.number) + Translate(QLatin1String(piece.unit));
    return entries;
}

QString withAccessKey(const QString& caption, QString& taken) {
    QString escaped = caption;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (qsizetype at = 0; at < escaped.size(); ++at) {
        const QChar letter = escaped.at(at);
        if (letter == QLatin1Char('&')) {
            ++at; // the doubled "&" is no key
            continue;
        }
        if (!letter.isLetter() || taken.contains(letter.toLower()))
            continue;
        taken += letter.toLower();
        return escaped.left(at) + QLatin1Char('&') + escaped.mid(at);
    }
    return escaped;
}

QString plainText(const QString& caption) {
    QString text;
    for (qsizetype at = 0; at < caption.size(); ++at) {
        if (caption.at(at) == QLatin1Char('&') && at + 1 < caption.size())
            ++at;
        text += caption.at(at);
    }
    return text;
}

} // namespace Captions

} // namespace quillet
