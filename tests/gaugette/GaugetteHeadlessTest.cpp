// A host without a QApplication: the control cannot exist there, and must say so.
#include <ComponentKit.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace componentkit;

namespace {

TEST(GaugetteHeadlessTest, CreatingAControlWithoutAnApplicationFailsCleanly) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const Registry registry(home.filePath(QStringLiteral("registry.ini")));

    ServerLibrary server;
    ASSERT_EQ(server.load(QStringLiteral(GAUGETTE_LIBRARY_PATH)), S_OK)
        << server.errorString().toStdString();
    const auto classId = QUuid("{31b074d8-8597-4737-a5ae-0938cd66649b}");
    ASSERT_TRUE(
        registry.add({classId, QStringLiteral("Gaugette.GraphicBar"), server.fileName(), {}}) ==
        S_OK);

    QObject* object = reinterpret_cast<QObject*>(0x1);
    EXPECT_EQ(createObject(QStringLiteral("Gaugette.GraphicBar"), server, &object, registry),
              E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

} // namespace
