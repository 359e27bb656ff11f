// A host that knows the library only by its file: everything goes through the entry points,
// the per-user registry, dispatch ids and the meta-object system.
#include "ScopedState.h"
#include "TestPictures.h"

#include <ComponentKit.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace componentkit;
using quillet::test::bandEdge;
using quillet::test::ScopedEnvironmentVariable;

namespace {

const QString kLibrary = QStringLiteral(GAUGETTE_LIBRARY_PATH);
const QString kProgId = QStringLiteral("Gaugette.GraphicBar");
constexpr DispId kValue = 0x68030000;
constexpr DispId kBackColor = 0x68030001;
constexpr DispId kForeColor = 0x68030002;

QImage render(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget ? widget->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

class GaugetteHostTest : public ::testing::Test {
protected:
    // A per-user configuration folder of our own, away from the user's real registry and
    // from any other suite running at the same time.
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(Registry().file().startsWith(home.path()));
    }

    QTemporaryDir home;
    ScopedEnvironmentVariable config{"XDG_CONFIG_HOME", QFile::encodeName(home.path())};
};

TEST_F(GaugetteHostTest, GoesThroughTheWholeLifeOfAnObject) {
    // Register through the library's own entry point.
    ServerLibrary installer;
    ASSERT_EQ(installer.load(kLibrary), S_OK) << installer.errorString().toStdString();
    ASSERT_EQ(installer.registerServer(), S_OK);
    const auto entry = Registry().findByProgId(kProgId);
    ASSERT_TRUE(entry);
    EXPECT_FALSE(entry->classId.isNull());
    EXPECT_EQ(QFileInfo(entry->libraryPath).canonicalFilePath(),
              QFileInfo(kLibrary).canonicalFilePath());
    EXPECT_EQ(installer.canUnloadNow(), S_OK);

    // Create by programmatic identifier alone.
    ServerLibrary server;
    QObject* raw = nullptr;
    ASSERT_EQ(createObject(kProgId, server, &raw), S_OK);
    std::unique_ptr<QObject> bar(raw);
    ASSERT_TRUE(bar);
    EXPECT_EQ(QByteArray(bar->metaObject()->className()), QByteArray("GraphicBar"));
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    EXPECT_FALSE(server.unloadIfIdle());

    auto* widget = qobject_cast<QWidget*>(bar.get());
    ASSERT_NE(widget, nullptr);
    widget->resize(200, 8);

    // Colours and value by dispatch id: blue background, red band, 30 percent.
    ASSERT_EQ(putProperty(bar.get(), kBackColor, 0x00FF0000), S_OK);
    ASSERT_EQ(putProperty(bar.get(), kForeColor, 0x000000FF), S_OK);
    ASSERT_EQ(putProperty(bar.get(), kValue, 30), S_OK);
    QVariant v;
    ASSERT_EQ(getProperty(bar.get(), kValue, &v), S_OK);
    EXPECT_EQ(v.toInt(), 30);
    ASSERT_EQ(getProperty(bar.get(), kBackColor, &v), S_OK);
    EXPECT_EQ(v.toInt(), 0x00FF0000);
    EXPECT_EQ(bar->property("ForeColor").toInt(), 0x000000FF);
    EXPECT_EQ(bandEdge(render(bar.get()), qRgb(255, 0, 0), qRgb(0, 0, 255)), 60);

    // The same members by name.
    DispId id = 0;
    ASSERT_EQ(getIdOfName(bar.get(), "value", &id), S_OK);
    EXPECT_EQ(id, kValue);
    ASSERT_TRUE(bar->setProperty("Value", 100));
    EXPECT_EQ(bandEdge(render(bar.get()), qRgb(255, 0, 0), qRgb(0, 0, 255)), 200);
    QVariantList args{150};
    ASSERT_EQ(invoke(bar.get(), kValue, args), S_OK);
    EXPECT_EQ(bandEdge(render(bar.get()), qRgb(255, 0, 0), qRgb(0, 0, 255)), 0);
    EXPECT_EQ(bar->property("Value").toInt(), 150);

    // The live-object count follows the objects.
    QObject* second = nullptr;
    ASSERT_EQ(createObject(kProgId, server, &second), S_OK);
    bar.reset();
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    delete second;
    EXPECT_EQ(server.canUnloadNow(), S_OK);
    EXPECT_EQ(installer.canUnloadNow(), S_OK); // one library, one count

    // A locked server stays, even with no objects.
    ClassFactory* factory = nullptr;
    ASSERT_EQ(server.getClassObject(entry->classId, &factory), S_OK);
    ASSERT_EQ(factory->lockServer(true), S_OK);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->lockServer(false), S_OK);
    EXPECT_EQ(server.canUnloadNow(), S_OK);

    // Unregister: the identifier is gone.
    ASSERT_EQ(installer.unregisterServer(), S_OK);
    EXPECT_FALSE(Registry().findByProgId(kProgId));
    EXPECT_FALSE(Registry().findByClassId(entry->classId));
    ServerLibrary late;
    QObject* none = nullptr;
    EXPECT_EQ(createObject(kProgId, late, &none), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(none, nullptr);
}

TEST_F(GaugetteHostTest, EntryPointsReportMisuseAsStatuses) {
    QLibrary library(kLibrary);
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    auto getClassObject =
        reinterpret_cast<GetClassObjectFunction>(library.resolve("DllGetClassObject"));
    auto canUnloadNow =
        reinterpret_cast<RegisterServerFunction>(library.resolve("DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject);
    ASSERT_TRUE(canUnloadNow);

    ClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject("{00000000-0000-0000-0000-000000000000}", &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(getClassObject(nullptr, &factory), E_INVALIDARG);
    EXPECT_EQ(getClassObject("{00000000-0000-0000-0000-000000000000}", nullptr), E_POINTER);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(GaugetteHostTest, RegisteringTwiceKeepsOneEntryAndUnregisteringTwiceIsHarmless) {
    ServerLibrary server;
    ASSERT_EQ(server.load(kLibrary), S_OK);
    ASSERT_EQ(server.registerServer(), S_OK);
    ASSERT_EQ(server.registerServer(), S_OK);
    QSettings store(Registry().file(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("Classes"));
    EXPECT_EQ(store.childGroups().size(), 1);
    store.endGroup();
    EXPECT_EQ(server.unregisterServer(), S_OK);
    EXPECT_EQ(server.unregisterServer(), S_OK);
    EXPECT_FALSE(Registry().findByProgId(kProgId));
}

TEST_F(GaugetteHostTest, AStoreThatCannotBeWrittenFailsRegistration) {
    // Block the store's folder with a plain file.
    const QString folder = QFileInfo(Registry().file()).absolutePath();
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ServerLibrary server;
    ASSERT_EQ(server.load(kLibrary), S_OK);
    EXPECT_EQ(server.registerServer(), SELFREG_E_CLASS);
    EXPECT_FALSE(Registry().findByProgId(kProgId));
}

} // namespace
