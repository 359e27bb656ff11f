#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillet::platform {

// The entry that starts the windowed program at login, hidden in the notification area
// ("/boot"). On Linux it is a desktop entry in the XDG autostart folders: the user's entry
// stands in for a system one of the same name, and one marked hidden (as desktops do when
// the user switches it off in their settings) starts nothing.
class AutostartEntry {
public:
    // program: the windowed program the entry starts. folder: the user's autostart folder;
    // systemFolderList: the system's, whose entries the user's overrides.
    explicit AutostartEntry(QString program, QString folder = userFolder(),
                            QStringList systemFolderList = systemFolders());

    static QString userFolder();
    static QStringList systemFolders();
    static QString fileName() { return QStringLiteral("quillet.desktop"); }

    // The user's entry, whether it exists or not.
    QString path() const;
    // What the entry in force runs at login, program first; none when nothing starts.
    std::optional<QStringList> command() const;
    bool isOn() const { return command().has_value(); }

    Status turnOn();
    Status turnOff();

    // The text of an entry that starts program with "/boot".
    static QByteArray entryFor(const QString& program);
    // The arguments of a desktop entry's Exec value, unquoted; none when it is malformed.
    static std::optional<QStringList> execArguments(const QString& value);

private:
    QString m_program;
    QString m_folder;
    QStringList m_systemFolders;
};

} // namespace quillet::platform
