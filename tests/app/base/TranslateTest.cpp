#include "base/Translate.h"
#include "ScopedTranslation.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gmock/gmock.h>

#include <map>
#include <set>

using namespace quillet;
using namespace quillet::test;

namespace {

const QString SourceDir = QStringLiteral(QUILLET_SOURCE_DIR);
const QString GermanSource = SourceDir + QStringLiteral("/translations/quillet_de.ts");

// The English keys of a translation source and their translations.
struct TranslationSource {
    std::map<QString, QString> texts;
    QStringList unfinished;
    QString language;
};

TranslationSource readSource(const QString& path) {
    TranslationSource source;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return source;
    QXmlStreamReader xml(&file);
    QString key;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("TS")) {
            source.language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (xml.name() == QLatin1String("source")) {
            key = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            if (xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished"))
                source.unfinished << key;
            source.texts[key] = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return source;
}

// The text of a C++ string literal's body, its escapes undone.
QString literalText(const QString& body) {
    QString text;
    for (qsizetype at = 0; at < body.size(); ++at) {
        if (body.at(at) != QLatin1Char('\\') || at + 1 == body.size()) {
            text += body.at(at);
            continue;
        }
        const QChar escaped = body.at(++at);
        if (escaped == QLatin1Char('n')) {
            text += QLatin1Char('\n');
        } else if (escaped == QLatin1Char('t')) {
            text += QLatin1Char('\t');
        } else if (escaped == QLatin1Char('u')) {
            text += QChar(body.mid(at + 1, 4).toUShort(nullptr, 16));
            at += 4;
        } else {
            text += escaped;
        }
    }
    return text;
}

// The string literals among the arguments of every call to one of calls: literals with
// only blanks between them are one text, as the compiler joins them.
std::set<QString> literalsPassedTo(const QString& code, const QStringList& calls) {
    std::set<QString> keys;
    const QRegularExpression call(QStringLiteral("(?<![A-Za-z0-9_])(%1)\\(").arg(calls.join(u'|')));
    for (auto found = call.globalMatch(code); found.hasNext();) {
        qsizetype at = found.next().capturedEnd();
        int depth = 1;
        std::optional<QString> text;
        qsizetype lastLiteralEnd = -1;
        while (depth > 0 && at < code.size()) {
            const QChar c = code.at(at);
            if (c == QLatin1Char('"')) {
                qsizetype end = at + 1;
                while (end < code.size() && code.at(end) != QLatin1Char('"'))
                    end += code.at(end) == QLatin1Char('\\') ? 2 : 1;
                const QString piece = literalText(code.mid(at + 1, end - at - 1));
                const bool joined =
                    text && code.mid(lastLiteralEnd, at - lastLiteralEnd).trimmed().isEmpty();
                if (joined) {
                    *text += piece;
                } else {
                    if (text)
                        keys.insert(*text);
                    text = piece;
                }
                lastLiteralEnd = end + 1;
                at = end + 1;
                continue;
            }
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')'))
                --depth;
            ++at;
        }
        if (text)
            keys.insert(*text);
    }
    return keys;
}

// Every text the program's sources hand to Translate, and to the few helpers that hand
// their text on to it.
std::set<QString> keysInTheSources() {
    const std::map<QString, QStringList> passOn = {
        {QStringLiteral("sync/SyncSession.cpp"), {QStringLiteral("fail")}},
        {QStringLiteral("sync/FailureText.cpp"), {QStringLiteral("say")}},
    };
    std::set<QString> keys;
    const QString app = SourceDir + QStringLiteral("/app/");
    QDirIterator files(app, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QStringList calls{QStringLiteral("Translate")};
        if (const auto more = passOn.find(path.mid(app.size())); more != passOn.end())
            calls += more->second;
        keys.merge(literalsPassedTo(QString::fromUtf8(file.readAll()), calls));
    }
    return keys;
}

QStringList placeholders(const QString& text) {
    QStringList found;
    const QRegularExpression marker(QStringLiteral("%\\d+"));
    for (auto match = marker.globalMatch(text); match.hasNext();)
        found << match.next().captured();
    found.sort();
    return found;
}

TEST(TranslationKeysTest, TheKeysAreFoundInTheSourcesAsTheCompilerJoinsThem) {
    const std::set<QString> keys = literalsPassedTo(
        QStringLiteral("x = Translate(QStringLiteral(\"one \"\n    \"two\")).arg(f(\"no\"));\n"
                       "y = Translate(ok ? QStringLiteral(\"yes\") : QStringLiteral(\"\\u00A9 "
                       "\\\"q\\\"\"));\nz = NotTranslate(\"skip\"); w = Translate(name);"),
        {QStringLiteral("Translate")});
    EXPECT_THAT(keys,
                ::testing::UnorderedElementsAre(QStringLiteral("one two"), QStringLiteral("yes"),
                                                QStringLiteral("\u00A9 \"q\"")));
}

TEST(TranslationKeysTest, EveryTextTheProgramTranslatesIsInTheGermanTranslation) {
    const TranslationSource german = readSource(GermanSource);
    const std::set<QString> keys = keysInTheSources();
    // Far fewer would mean that the search itself is broken.
    ASSERT_GT(keys.size(), 60u);
    ASSERT_TRUE(keys.count(QStringLiteral("The settings could not be saved in %1 (%2). Nothing "
                                          "was changed.")));
    QStringList missing;
    for (const QString& key : keys) {
        if (!german.texts.count(key))
            missing << key;
    }
    EXPECT_TRUE(missing.isEmpty()) << "add these to translations/quillet_de.ts:\n"
                                   << missing.join(QLatin1Char('\n')).toStdString();
}

TEST(TranslationKeysTest, TheTextsTheProgramHasAlwaysShownAreTranslated) {
    const QStringList always = {
        QStringLiteral("No removable drives found."),
        QStringLiteral("The selected removable drive was not found."),
        QStringLiteral("Refresh"),
        QStringLiteral("Start New Sync"),
        QStringLiteral("Cancel"),
        QStringLiteral("Please choose the drive to sync:"),
        QStringLiteral("Only synchronize if the drive have the same letter."),
        QStringLiteral("Map all drives. (recommended to mini HDD drives)"),
        QStringLiteral("Choose the removable drive that will be synchronized with your PC."),
        QStringLiteral("Don't forget to set if you want to synchronize only if the drive is on the "
                       "same drive letter next time you synchronize (in USB devices is not "
                       "recommended)"),
        QStringLiteral("You have already set a drive, do you wish to substitute this drive ?"),
        QStringLiteral("The application is still running, to terminate you should go to Tray Icon "
                       "and click with right button, choose Exit to terminate application."),
        QStringLiteral("OK"),
        QStringLiteral("Don't show this warning next time."),
        QStringLiteral("Show/Hide"),
        QStringLiteral("Exit"),
        QStringLiteral("Version"),
        QStringLiteral("Build"),
        QStringLiteral("Local File:"),
        QStringLiteral("Size (bytes):"),
        QStringLiteral("Removable Drive File:"),
        QStringLiteral("Status:"),
        QStringLiteral("View Log"),
        QStringLiteral("Conflicts resolution:"),
        QStringLiteral("Refresh Time:"),
        QStringLiteral("Every"),
        QStringLiteral("seconds"),
        QStringLiteral("minute"),
        QStringLiteral("minutes"),
        QStringLiteral("hour"),
        QStringLiteral("Add file to sync..."),
        QStringLiteral("Remove Sync..."),
        QStringLiteral("Add folder to sync..."),
        QStringLiteral("Stop"),
        QStringLiteral("Keep the latest file on both."),
        QStringLiteral("Copy from Local PC to Removable Drive"),
        QStringLiteral("Copy from Removable Drive to Local PC"),
        QStringLiteral("Keep the latest file on both. (Prompt before any change)"),
        QStringLiteral("Copy from Local PC to Removable Drive. (Prompt before any change)"),
        QStringLiteral("Copy from Removable Drive to Local PC. (Prompt before any change)"),
        QStringLiteral("Synchronize Now"),
        QStringLiteral("Check for upgrades"),
        QStringLiteral("Setup a new drive"),
        QStringLiteral("Folder"),
        QStringLiteral("Total size of files to sync:"),
        QStringLiteral("Disk Size:"),
        QStringLiteral("Disk Free Space:"),
        QStringLiteral("Synchronized"),
        QStringLiteral("Error"),
        QStringLiteral("Synchronizing..."),
        QStringLiteral("Copying..."),
        QStringLiteral("Synchronized at "),
        QStringLiteral("File date:"),
        QStringLiteral("is about to copy:"),
        QStringLiteral("will replace:"),
        QStringLiteral("Do you accept this replacement ?"),
        QStringLiteral("Choose the Folder to Sync"),
        QStringLiteral("You cannot select folders inside the Removable Drive !"),
        QStringLiteral("File removed for synchronization."),
        QStringLiteral("This don't delete the file on Local Computer or in Removable Drive, do you "
                       "wish to remove on the Removable drive ? "),
        QStringLiteral(
            "Removable drive not found. Please connect the drive before adding any new file."),
        QStringLiteral("File does not exist or is a Folder, you can only synchronize files not "
                       "folders."),
        QStringLiteral("Where do you want to place "),
        QStringLiteral(
            "Removable drive not found. Please connect the drive before adding any new folder."),
        QStringLiteral("Choose destination folder"),
        QStringLiteral("Folder should be on the remote drive !!"),
        QStringLiteral("Copy to removable drive..."),
        QStringLiteral("Press to create a new folder"),
        QStringLiteral("New folder name:"),
    };
    const TranslationSource german = readSource(GermanSource);
    for (const QString& key : always)
        EXPECT_TRUE(german.texts.count(key)) << key.toStdString();
}

TEST(TranslationKeysTest, EveryTranslationIsFinishedAndKeepsWhatIsFilledInAround) {
    const TranslationSource german = readSource(GermanSource);
    EXPECT_EQ(german.language, QStringLiteral("de_DE"));
    EXPECT_TRUE(german.unfinished.isEmpty()) << german.unfinished.join(u'\n').toStdString();
    for (const auto& [key, text] : german.texts) {
        EXPECT_FALSE(text.trimmed().isEmpty()) << key.toStdString();
        // Numbers, names and paths go where %1... are; a piece that is followed by the next
        // one keeps its blank.
        EXPECT_EQ(placeholders(text), placeholders(key)) << key.toStdString();
        EXPECT_EQ(text.endsWith(QLatin1Char(' ')), key.endsWith(QLatin1Char(' ')))
            << key.toStdString();
    }
}

// The compiled translation, found where the programs look for it.
TEST(TranslateTest, GermanLocalesGetTheGermanTextsOthersTheEnglish) {
    const TranslationSource german = readSource(GermanSource);
    ASSERT_FALSE(german.texts.empty());
    for (const QLocale& locale :
         {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::German, QLocale::Austria),
          QLocale(QLocale::German, QLocale::Switzerland)}) {
        const ScopedTranslation inGerman(locale);
        for (const auto& [key, text] : german.texts)
            EXPECT_EQ(Translate(key), text) << locale.name().toStdString();
    }
    for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c(),
                                  QLocale(QStringLiteral("xx_XX"))}) {
        const ScopedTranslation other(locale);
        EXPECT_EQ(Translate(QStringLiteral("Synchronize Now")), QStringLiteral("Synchronize Now"))
            << locale.name().toStdString();
        EXPECT_EQ(Translate(QStringLiteral("Synchronized at ")),
                  QStringLiteral("Synchronized at "));
    }
}

TEST(TranslateTest, TheLanguageGoesBackWhenTheGuardEnds) {
    {
        const ScopedTranslation inGerman(QLocale(QLocale::German, QLocale::Germany));
        ASSERT_EQ(Translate(QStringLiteral("Exit")), QStringLiteral("Beenden"));
    }
    EXPECT_EQ(Translate(QStringLiteral("Exit")), QStringLiteral("Exit"));
    EXPECT_EQ(QLocale().language(), QLocale::system().language());
}

TEST(TranslateTest, QtsOwnTextsComeInTheSameLanguage) {
    const QString qtGerman =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
    if (!QFile::exists(qtGerman))
        GTEST_SKIP() << qtGerman.toStdString()
                     << " is missing (package qt6-translations-l10n): Qt's dialogs stay English";
    auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    {
        const ScopedTranslation inGerman(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(yes(), QStringLiteral("&Ja"));
    }
    EXPECT_EQ(yes(), QStringLiteral("&Yes"));
    // Without a translation of the program's own, Qt's alone would make a mixture.
    const ScopedTranslation inFrench(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(yes(), QStringLiteral("&Yes"));
}

} // namespace
