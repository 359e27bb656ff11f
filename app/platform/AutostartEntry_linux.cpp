#include "AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <map>

namespace quillet::platform {

namespace {

const QString EntryGroup = QStringLiteral("[Desktop Entry]");

// The keys of an entry's main group, their values with the string escapes undone.
using Keys = std::map<QString, QString>;

QString unescapeString(const QString& value) {
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        const QChar c = value.at(at);
        if (c != QLatin1Char('\\') || at + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(++at);
        switch (next.unicode()) {
        case 's':
            text += QLatin1Char(' ');
            break;
        case 'n':
            text += QLatin1Char('\n');
            break;
        case 't':
            text += QLatin1Char('\t');
            break;
        case 'r':
            text += QLatin1Char('\r');
            break;
        default: // "\\" and anything unknown: the character itself
            text += next;
            break;
        }
    }
    return text;
}

std::optional<Keys> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Keys keys;
    bool inEntry = false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == EntryGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals <= 0)
            continue;
        // A key given twice: the last one counts, as desktops read it.
        keys.insert_or_assign(line.left(equals).trimmed(),
                              unescapeString(line.mid(equals + 1).trimmed()));
    }
    return keys;
}

bool isTrue(const Keys& keys, const char* key) {
    const auto found = keys.find(QLatin1String(key));
    return found != keys.end() && found->second == QLatin1String("true");
}

bool isFalse(const Keys& keys, const char* key) {
    const auto found = keys.find(QLatin1String(key));
    return found != keys.end() && found->second == QLatin1String("false");
}

// One argument of an Exec line, quoted whole: the quoting rules, then the string escapes.
QString quotedArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

Error errorFrom(const QString& what, const QString& why) {
    const int code = errno != 0 ? errno : EIO;
    return Error{code, (what + QStringLiteral(": ") + why).toStdString()};
}

// Whole or not at all: a desktop that reads the entry meanwhile sees the old one or the new.
Status writeEntry(const QString& folder, const QString& path, const QByteArray& text) {
    errno = 0;
    if (!QDir().mkpath(folder))
        return errorFrom(folder, QStringLiteral("the folder cannot be made"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return errorFrom(path, file.errorString());
    if (file.write(text) != text.size() || !file.commit())
        return errorFrom(path, file.errorString());
    return {};
}

} // namespace

AutostartEntry::AutostartEntry(QString program, QString folder, QStringList systemFolderList)
    : m_program(std::move(program)), m_folder(std::move(folder)),
      m_systemFolders(std::move(systemFolderList)) {}

QString AutostartEntry::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QStringList AutostartEntry::systemFolders() {
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QStringList folders;
    for (const QString& config :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        if (config != user)
            folders << config + QStringLiteral("/autostart");
    }
    return folders;
}

QString AutostartEntry::path() const {
    return m_folder + QLatin1Char('/') + fileName();
}

std::optional<QStringList> AutostartEntry::command() const {
    // The first entry of this name counts, the user's before the system's.
    for (const QString& folder : QStringList{m_folder} + m_systemFolders) {
        const QString entry = folder + QLatin1Char('/') + fileName();
        if (!QFile::exists(entry))
            continue;
        const std::optional<Keys> keys = readEntry(entry);
        if (!keys || isTrue(*keys, "Hidden") || isFalse(*keys, "X-GNOME-Autostart-enabled"))
            return std::nullopt;
        const auto exec = keys->find(QStringLiteral("Exec"));
        if (exec == keys->end())
            return std::nullopt;
        const std::optional<QStringList> arguments = execArguments(exec->second);
        if (!arguments || arguments->isEmpty())
            return std::nullopt;
        return arguments;
    }
    return std::nullopt;
}

QByteArray AutostartEntry::entryFor(const QString& program) {
    const QString text =
        EntryGroup +
        QStringLiteral("\nType=Application\nName=Quillet\n"
                       "Comment=Keeps files in step with a paired removable drive\n"
                       "Exec=") +
        quotedArgument(program) +
        QStringLiteral(" /boot\nIcon=quillet\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

Status AutostartEntry::turnOn() {
    for (const QChar c : m_program) {
        // An entry holds one line per key: such a path cannot be written in one.
        if (c.category() == QChar::Other_Control)
            return Error{EINVAL, "the program's path holds a control character: " +
                                     m_program.toStdString()};
    }
    return writeEntry(m_folder, path(), entryFor(m_program));
}

Status AutostartEntry::turnOff() {
    // A system entry of the same name would start the program again: the user's entry
    // then stays, marked hidden, which switches both off.
    for (const QString& folder : m_systemFolders) {
        const QString entry = folder + QLatin1Char('/') + fileName();
        if (!QFile::exists(entry))
            continue;
        const std::optional<Keys> keys = readEntry(entry);
        if (keys && isTrue(*keys, "Hidden"))
            break;
        return writeEntry(m_folder, path(), entryFor(m_program) + "Hidden=true\n");
    }
    errno = 0;
    QFile file(path());
    if (file.exists() && !file.remove())
        return errorFrom(path(), file.errorString());
    return {};
}

std::optional<QStringList> AutostartEntry::execArguments(const QString& value) {
    // The string escapes were undone when the entry was read; the quoting rules remain.
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool hasText = false; // an argument of field codes only is the launcher's, not ours
    bool quoted = false;
    for (qsizetype at = 0; at < value.size(); ++at) {
        const QChar c = value.at(at);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && at + 1 < value.size()) {
                current += value.at(++at);
            } else if (c == QLatin1Char('%') && at + 1 < value.size() &&
                       value.at(at + 1) == QLatin1Char('%')) {
                current += value.at(++at);
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument && hasText)
                arguments << current;
            current.clear();
            inArgument = false;
            hasText = false;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('"')) {
            quoted = true;
            hasText = true;
        } else if (c == QLatin1Char('%') && at + 1 < value.size()) {
            // "%%" is a percent sign; any other field code is the launcher's to fill in.
            if (value.at(at + 1) == QLatin1Char('%')) {
                current += QLatin1Char('%');
                hasText = true;
            }
            ++at;
        } else {
            current += c;
            hasText = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument && hasText)
        arguments << current;
    return arguments;
}

} // namespace quillet::platform
