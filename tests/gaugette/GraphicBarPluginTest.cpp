// Loads the Designer plugin as Designer would and checks what it offers.
#include <QPluginLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(GraphicBarPluginTest, OffersGraphicBarToDesigner) {
    QPluginLoader loader(QStringLiteral(GAUGETTE_DESIGNER_PLUGIN_PATH));
    EXPECT_EQ(loader.metaData().value(QStringLiteral("IID")).toString(),
              QStringLiteral(QDesignerCustomWidgetInterface_iid));
    QObject* instance = loader.instance();
    ASSERT_NE(instance, nullptr) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(instance);
    ASSERT_NE(plugin, nullptr);

    EXPECT_EQ(plugin->name(), QStringLiteral("GraphicBar"));
    EXPECT_EQ(plugin->includeFile(), QStringLiteral("GraphicBar.h"));
    EXPECT_FALSE(plugin->isContainer());

    // The form snippet names the class and parses.
    QXmlStreamReader xml(plugin->domXml());
    bool sawWidget = false;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"widget")
            sawWidget =
                xml.attributes().value(QStringLiteral("class")) == QStringLiteral("GraphicBar");
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(sawWidget);

    QWidget form;
    QWidget* bar = plugin->createWidget(&form);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parent(), &form);
    EXPECT_EQ(QByteArray(bar->metaObject()->className()), QByteArray("GraphicBar"));
    EXPECT_TRUE(bar->setProperty("Value", 40));
    EXPECT_EQ(bar->property("Value").toInt(), 40);
}

} // namespace
