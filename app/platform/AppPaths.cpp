#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace quillet::platform {

namespace {
QString withOneSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}
} // namespace

QString AppPath() {
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return withOneSeparator(
        QDir::toNativeSeparators(dir).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

QString UserDataPath() {
    // The program's own folder is not writable for users; state lives per user.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString dir = base + QStringLiteral("/Quillet");
    QDir().mkpath(dir);
    return withOneSeparator(dir);
}

QString LogFilePath() {
    return UserDataPath() + QStringLiteral("lastsync.txt");
}

QString UpdaterPath() {
#ifdef Q_OS_WIN
    return AppPath() + QStringLiteral("BrevantUpdate.exe");
#else
    return AppPath() + QStringLiteral("BrevantUpdate");
#endif
}

} // namespace quillet::platform
