#include "ScopedState.h"

#include <ComponentKit.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace componentkit;

namespace kittest {

componentkit::ServerModule& testModule();

// A component with a property, methods with reference and default arguments, and an
// object count, described by dispatch ids the way a library's classes are.
class Sample : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DispId 0x60030000", "Scale")
    Q_CLASSINFO("DispId 0x60030001", "Label")
    Q_CLASSINFO("DispId 0x60030002", "Area")
    Q_CLASSINFO("DispId 0x60030003", "Grow")
    Q_CLASSINFO("DispId 0x60030004", "Echo")
    Q_CLASSINFO("DispId 0x60030005", "Missing")
    Q_CLASSINFO("DispId nonsense", "Scale")
    Q_PROPERTY(int Scale READ scale WRITE setScale)
    Q_PROPERTY(QString Label READ label)

public:
    int scale() const { return m_scale; }
    void setScale(int s) { m_scale = s; }
    QString label() const { return QStringLiteral("sample"); }

    Q_INVOKABLE int Area(int w, int h = 10) const { return w * h * m_scale; }
    // Writes the chosen size back into the caller's variable.
    Q_INVOKABLE void Grow(int& width) { width = width == 0 ? 64 : width * 2; }
    Q_INVOKABLE QVariant Echo(const QVariant& v) { return v; }

private:
    int m_scale = 1;
    LiveObject m_live{testModule()};
};

class Throwing : public QObject {
public:
    Throwing() { throw std::runtime_error("refused"); }
};

} // namespace kittest

namespace {

using kittest::Sample;
using kittest::testModule;

const QUuid kSampleId("{0f6a6f6e-3c2e-4b8e-9a55-2d1f4e0c7a11}");
const QUuid kThrowingId("{7d2b8c1a-5e44-4f0b-8c3d-9b6e1a2f3c44}");

} // namespace

namespace kittest {

componentkit::ServerModule& testModule() {
    static componentkit::ServerModule m(
        {{kSampleId, QStringLiteral("Kit.Sample"), QStringLiteral("Sample"),
          [] { return static_cast<QObject*>(new Sample); }},
         {kThrowingId, QStringLiteral("Kit.Throwing"), QString(),
          [] { return static_cast<QObject*>(new Throwing); }}});
    return m;
}

} // namespace kittest

namespace {

class RegistryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Registry registry{dir.filePath(QStringLiteral("reg/registry.ini"))};
};

TEST_F(RegistryTest, RecordsFindsAndRemovesAClass) {
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(registry.findByProgId(QStringLiteral("Kit.Sample")));
    ASSERT_EQ(registry.add({kSampleId, QStringLiteral("Kit.Sample"),
                            QStringLiteral("/opt/lib/libsample.so"), QStringLiteral("Sample")}),
              S_OK);

    // A second registry over the same file sees what the first wrote.
    const Registry other(registry.file());
    const auto byName = other.findByProgId(QStringLiteral("Kit.Sample"));
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->classId, kSampleId);
    EXPECT_EQ(byName->libraryPath, QStringLiteral("/opt/lib/libsample.so"));
    EXPECT_EQ(byName->description, QStringLiteral("Sample"));
    const auto byId = other.findByClassId(kSampleId);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->progId, QStringLiteral("Kit.Sample"));

    EXPECT_EQ(registry.remove(kSampleId), S_OK);
    EXPECT_FALSE(registry.findByProgId(QStringLiteral("Kit.Sample")));
    EXPECT_FALSE(registry.findByClassId(kSampleId));
    EXPECT_EQ(registry.remove(kSampleId), S_FALSE);
}

TEST_F(RegistryTest, RejectsIncompleteEntries) {
    EXPECT_EQ(registry.add({QUuid(), QStringLiteral("Kit.Sample"), QStringLiteral("/lib.so"), {}}),
              E_INVALIDARG);
    EXPECT_EQ(registry.add({kSampleId, QStringLiteral(""), QStringLiteral("/lib.so"), {}}),
              E_INVALIDARG);
    EXPECT_EQ(registry.add({kSampleId, QStringLiteral("Kit.Sample"), QStringLiteral(""), {}}),
              E_INVALIDARG);
    EXPECT_FALSE(registry.findByClassId(kSampleId));
    EXPECT_FALSE(registry.findByProgId(QString()));
}

TEST_F(RegistryTest, RemovingAClassKeepsAnIdentifierTakenOverByAnother) {
    ASSERT_EQ(
        registry.add({kSampleId, QStringLiteral("Kit.Shared"), QStringLiteral("/old.so"), {}}),
        S_OK);
    ASSERT_EQ(
        registry.add({kThrowingId, QStringLiteral("Kit.Shared"), QStringLiteral("/new.so"), {}}),
        S_OK);
    EXPECT_EQ(registry.findByProgId(QStringLiteral("Kit.Shared"))->classId, kThrowingId);

    EXPECT_EQ(registry.remove(kSampleId), S_OK);
    const auto still = registry.findByProgId(QStringLiteral("Kit.Shared"));
    ASSERT_TRUE(still);
    EXPECT_EQ(still->libraryPath, QStringLiteral("/new.so"));
}

TEST_F(RegistryTest, ReportsAStoreThatCannotBeWritten) {
    // A regular file where the store's folder should be: nobody can create it.
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Registry broken(dir.filePath(QStringLiteral("blocker/registry.ini")));
    EXPECT_EQ(broken.add({kSampleId, QStringLiteral("Kit.Sample"), QStringLiteral("/lib.so"), {}}),
              E_FAIL);
    EXPECT_FALSE(broken.findByProgId(QStringLiteral("Kit.Sample")));
}

TEST(RegistryDefaultTest, LivesInThePerUserConfigurationFolder) {
    const quillet::test::ScopedStandardPathsTestMode testMode;
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_TRUE(Registry().file().startsWith(expected + QLatin1Char('/')));
    EXPECT_TRUE(Registry().file().endsWith(QStringLiteral(".ini")));
}

TEST(DispatchTableTest, MapsIdsAndNamesFromClassInfos) {
    const DispatchTable table = DispatchTable::of(&Sample::staticMetaObject);
    EXPECT_EQ(table.entries().size(), 6u); // the malformed id is ignored
    EXPECT_EQ(table.nameOf(0x60030000), QByteArray("Scale"));
    EXPECT_EQ(table.nameOf(0x60030003), QByteArray("Grow"));
    EXPECT_FALSE(table.nameOf(0x60030006));
    EXPECT_EQ(table.idOf("area"), 0x60030002u);
    EXPECT_EQ(table.idOf("AREA"), 0x60030002u);
    EXPECT_FALSE(table.idOf("Volume"));
    EXPECT_TRUE(DispatchTable::of(nullptr).entries().empty());
}

TEST(DispatchTest, ReadsAndWritesPropertiesById) {
    Sample sample;
    QVariant v;
    ASSERT_EQ(putProperty(&sample, 0x60030000, 7), S_OK);
    EXPECT_EQ(sample.scale(), 7);
    ASSERT_EQ(getProperty(&sample, 0x60030000, &v), S_OK);
    EXPECT_EQ(v.toInt(), 7);
    // Text that reads as a number converts; other text does not and changes nothing.
    EXPECT_EQ(putProperty(&sample, 0x60030000, QStringLiteral("12")), S_OK);
    EXPECT_EQ(sample.scale(), 12);
    EXPECT_EQ(putProperty(&sample, 0x60030000, QStringLiteral("twelve")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(sample.scale(), 12);

    EXPECT_EQ(putProperty(&sample, 0x60030001, QStringLiteral("x")), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(getProperty(&sample, 0x60030001, &v), S_OK);
    EXPECT_EQ(v.toString(), QStringLiteral("sample"));
    EXPECT_EQ(getProperty(&sample, 0x60030005, &v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(getProperty(&sample, 0x12345678, &v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(getProperty(nullptr, 0x60030000, &v), E_POINTER);
    EXPECT_EQ(getProperty(&sample, 0x60030000, nullptr), E_POINTER);

    DispId id = 0;
    EXPECT_EQ(getIdOfName(&sample, "scale", &id), S_OK);
    EXPECT_EQ(id, 0x60030000u);
    EXPECT_EQ(getIdOfName(&sample, "Nothing", &id), DISP_E_UNKNOWNNAME);
}

TEST(DispatchTest, InvokesMethodsWithDefaultAndReferenceArguments) {
    Sample sample;
    sample.setScale(2);
    QVariant result;
    QVariantList args{3, 4};
    ASSERT_EQ(invoke(&sample, 0x60030002, args, &result), S_OK);
    EXPECT_EQ(result.toInt(), 3 * 4 * 2);

    // The omitted second argument takes its default.
    QVariantList one{5};
    ASSERT_EQ(invoke(&sample, 0x60030002, one, &result), S_OK);
    EXPECT_EQ(result.toInt(), 5 * 10 * 2);

    // A reference parameter writes back into the caller's list.
    QVariantList size{0};
    ASSERT_EQ(invoke(&sample, 0x60030003, size), S_OK);
    EXPECT_EQ(size.front().toInt(), 64);
    ASSERT_EQ(invoke(&sample, 0x60030003, size), S_OK);
    EXPECT_EQ(size.front().toInt(), 128);

    QVariantList text{QStringLiteral("kept")};
    ASSERT_EQ(invoke(&sample, 0x60030004, text, &result), S_OK);
    EXPECT_EQ(result.toString(), QStringLiteral("kept"));

    QVariantList tooMany{1, 2, 3};
    EXPECT_EQ(invoke(&sample, 0x60030002, tooMany, &result), DISP_E_BADPARAMCOUNT);
    QVariantList badType{QStringLiteral("wide"), 2};
    EXPECT_EQ(invoke(&sample, 0x60030002, badType, &result), DISP_E_TYPEMISMATCH);
    QVariantList none;
    EXPECT_EQ(invoke(&sample, 0x60030005, none, &result), DISP_E_MEMBERNOTFOUND);
}

TEST(DispatchTest, InvokeReachesPropertiesToo) {
    Sample sample;
    QVariantList put{9};
    ASSERT_EQ(invoke(&sample, 0x60030000, put), S_OK);
    EXPECT_EQ(sample.scale(), 9);
    QVariantList get;
    QVariant result;
    ASSERT_EQ(invoke(&sample, 0x60030000, get, &result), S_OK);
    EXPECT_EQ(result.toInt(), 9);
    QVariantList two{1, 2};
    EXPECT_EQ(invoke(&sample, 0x60030000, two), DISP_E_BADPARAMCOUNT);
}

TEST(ServerModuleTest, HandsOutFactoriesByClassId) {
    ServerModule& module = testModule();
    ClassFactory* factory = reinterpret_cast<ClassFactory*>(0x1);
    EXPECT_EQ(module.getClassObject("{00000000-0000-0000-0000-000000000001}", &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(module.getClassObject("not a uuid", &factory), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(module.getClassObject(nullptr, &factory), E_INVALIDARG);
    EXPECT_EQ(module.getClassObject("x", nullptr), E_POINTER);

    const QByteArray id = kSampleId.toString().toLatin1();
    ASSERT_EQ(module.getClassObject(id.constData(), &factory), S_OK);
    ASSERT_NE(factory, nullptr);
    QObject* object = nullptr;
    ASSERT_EQ(factory->createInstance(&object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->metaObject()->className(), QByteArray("kittest::Sample"));
    delete object;
    EXPECT_EQ(factory->createInstance(nullptr), E_POINTER);
}

TEST(ServerModuleTest, CountsLiveObjectsAndLocks) {
    ServerModule& module = testModule();
    ASSERT_EQ(module.canUnloadNow(), S_OK);
    {
        Sample a;
        EXPECT_EQ(module.liveObjects(), 1);
        EXPECT_EQ(module.canUnloadNow(), S_FALSE);
        {
            Sample b;
            EXPECT_EQ(module.liveObjects(), 2);
        }
        EXPECT_EQ(module.canUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(module.canUnloadNow(), S_OK);

    ClassFactory* factory = nullptr;
    ASSERT_EQ(module.getClassObject(kSampleId.toString().toLatin1().constData(), &factory), S_OK);
    factory->lockServer(true);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE);
    factory->lockServer(false);
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    // An unbalanced unlock does not make the count negative.
    factory->lockServer(false);
    EXPECT_EQ(module.locks(), 0);
}

TEST(ServerModuleTest, AConstructorThatThrowsBecomesAStatus) {
    ServerModule& module = testModule();
    ClassFactory* factory = nullptr;
    ASSERT_EQ(module.getClassObject(kThrowingId.toString().toLatin1().constData(), &factory), S_OK);
    QObject* object = reinterpret_cast<QObject*>(0x1);
    EXPECT_EQ(factory->createInstance(&object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module.canUnloadNow(), S_OK);
}

TEST(ServerModuleTest, RegistersEveryClassWithItsOwnFile) {
    QTemporaryDir dir;
    const Registry registry(dir.filePath(QStringLiteral("registry.ini")));
    ServerModule& module = testModule();
    ASSERT_EQ(module.registerServer(registry), S_OK);

    // Here the module lives in the test program itself.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const auto sample = registry.findByProgId(QStringLiteral("Kit.Sample"));
    ASSERT_TRUE(sample);
    EXPECT_EQ(QFileInfo(sample->libraryPath).canonicalFilePath(), self);
    EXPECT_TRUE(QFileInfo(sample->libraryPath).isAbsolute());
    EXPECT_EQ(registry.findByProgId(QStringLiteral("Kit.Throwing"))->classId, kThrowingId);

    EXPECT_EQ(module.unregisterServer(registry), S_OK);
    EXPECT_FALSE(registry.findByProgId(QStringLiteral("Kit.Sample")));
    EXPECT_FALSE(registry.findByProgId(QStringLiteral("Kit.Throwing")));
}

TEST(ServerModuleTest, RegistrationFailureIsReported) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Registry broken(dir.filePath(QStringLiteral("blocker/registry.ini")));
    EXPECT_EQ(testModule().registerServer(broken), SELFREG_E_CLASS);
}

TEST(ServerLibraryTest, RefusesFilesThatAreNotComponentLibraries) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("libnot.so"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();

    ServerLibrary notALibrary;
    EXPECT_EQ(notALibrary.load(text), E_FAIL);
    EXPECT_FALSE(notALibrary.isLoaded());

    // A real library without the entry points: QtCore itself.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<const void*>(&QCoreApplication::staticMetaObject), &info), 0);
    ServerLibrary qtCore;
    EXPECT_EQ(qtCore.load(QString::fromLocal8Bit(info.dli_fname)), E_FAIL);
    EXPECT_FALSE(qtCore.isLoaded());
    EXPECT_EQ(qtCore.registerServer(), E_FAIL);
    EXPECT_EQ(qtCore.canUnloadNow(), E_FAIL);
    QObject* object = nullptr;
    EXPECT_EQ(qtCore.createInstance(kSampleId, &object), E_FAIL);
}

TEST(ServerLibraryTest, UnknownIdentifierIsNotRegistered) {
    QTemporaryDir dir;
    const Registry registry(dir.filePath(QStringLiteral("registry.ini")));
    ServerLibrary server;
    QObject* object = reinterpret_cast<QObject*>(0x1);
    EXPECT_EQ(createObject(QStringLiteral("Nobody.Here"), server, &object, registry),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(server.isLoaded());
}

TEST(StatusTest, FailuresAreNegative) {
    EXPECT_TRUE(succeeded(S_OK));
    EXPECT_TRUE(succeeded(S_FALSE));
    for (Status s : {E_FAIL, E_POINTER, E_INVALIDARG, E_OUTOFMEMORY, CLASS_E_CLASSNOTAVAILABLE,
                     REGDB_E_CLASSNOTREG, SELFREG_E_CLASS, DISP_E_MEMBERNOTFOUND,
                     DISP_E_TYPEMISMATCH, DISP_E_UNKNOWNNAME, DISP_E_BADPARAMCOUNT})
        EXPECT_TRUE(failed(s)) << s;
    EXPECT_EQ(guarded([]() -> Status { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(guarded([]() -> Status { throw 42; }), E_FAIL);
    EXPECT_EQ(guarded([] { return S_FALSE; }), S_FALSE);
}

} // namespace

#include "ComponentKitTest.moc"
