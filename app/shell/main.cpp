#include "Master.h"
#include "NewSync.h"
#include "Pictures.h"
#include "base/Translate.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"
#include "sync/SettingsKeys.h"
#include "sync/SyncSession.h"

#include <QApplication>
#include <QMessageBox>

using namespace quillet;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    // The launcher's entry and the icon the desktop shows for every window of the program.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(Pictures::programIcon());

    auto store = platform::openSettingsStore();
    if (store->health() != platform::SettingsStore::Health::Ok)
        QMessageBox::warning(nullptr, Captions::programTitle(),
                             Translate(QStringLiteral("The settings file %1 cannot be read; "
                                                      "nothing will be changed in it."))
                                 .arg(store->location()));
    SyncSession session(*store, platform::FileSystem::system(), platform::VolumeService::system());

    // Nothing paired yet: the drive first, then the window (also when that was cancelled).
    if (store->read(keys::SyncInfo, keys::SN, QString()).isEmpty()) {
        NewSync pairing(session);
        pairing.exec();
    }
    Master master(session, LogFilePath());
    master.show();
    master.activateWindow(); // a desktop without a window manager would leave it inactive
    return app.exec();
}
