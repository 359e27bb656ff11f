#include "EngineFixture.h"

#include "sync/SettingsKeys.h"

namespace quillet::test {

EngineFixture::EngineFixture() {
    files.makeDir(QStringLiteral("local"));
    files.makeDir(QStringLiteral("drive"));
    volumes.add({root().toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    store = std::make_unique<platform::QSettingsStore>(files.path(QStringLiteral("settings.ini")));
    store->write(keys::SyncInfo, keys::Drive, root());
    store->write(keys::SyncInfo, keys::SN, QString::number(0x1234));
    store->write(keys::SyncInfo, keys::Size, QStringLiteral("1000000"));
    store->write(keys::SyncInfo, keys::Letter, QStringLiteral("0"));
    session = std::make_unique<SyncSession>(*store, fs, volumes);
    logPath = files.path(QStringLiteral("lastsync.txt"));
    engine = std::make_unique<SyncEngine>(*session, view, logPath, clock);
}

void EngineFixture::storeRow(int n, const QString& localPath, const QString& remoteBelowRoot) {
    const QString serial = QString::number(0x1234);
    store->write(serial, keys::localFile(n), localPath);
    store->write(serial, keys::remoteFile(n), QStringLiteral(":/") + remoteBelowRoot);
    storeEndMark(n + 1);
}

void EngineFixture::storeEndMark(int n) {
    const QString serial = QString::number(0x1234);
    store->write(serial, keys::localFile(n), QString());
    store->write(serial, keys::remoteFile(n), QString());
}

void EngineFixture::setMode(int mode) {
    store->write(keys::SyncInfo, keys::Conflicts, QString::number(mode));
}

void EngineFixture::pass() {
    session->GoLoad();
    session->SearchLetter();
    engine->Syncronize();
}

QStringList EngineFixture::logLines() const {
    QString text = QString::fromUtf8(TestFiles::read(logPath));
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    if (text.isEmpty())
        return {};
    return text.split(QStringLiteral("\r\n"));
}

} // namespace quillet::test
