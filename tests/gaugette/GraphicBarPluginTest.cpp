// Loads the Designer plugin as Designer would and checks what it offers.
#include <QMetaProperty>
#include <QPalette>
#include <QPluginLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

#include <memory>

namespace {

QDesignerCustomWidgetInterface* loadPlugin() {
    QPluginLoader loader(QStringLiteral(GAUGETTE_DESIGNER_PLUGIN_PATH));
    return qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
}

// The integer properties the form snippet gives a new bar, set as Designer sets them.
int applySnippet(const QString& dom, QWidget* bar) {
    QXmlStreamReader xml(dom);
    QString name;
    int applied = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"property")
            name = xml.attributes().value(QStringLiteral("name")).toString();
        else if (xml.name() == u"number" && !name.isEmpty())
            applied += bar->setProperty(name.toLatin1().constData(), xml.readElementText().toInt())
                           ? 1
                           : 0;
    }
    return applied;
}

int colourDistance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

TEST(GraphicBarPluginTest, DesignerSavesWhatItOffers) {
    QDesignerCustomWidgetInterface* plugin = loadPlugin();
    ASSERT_NE(plugin, nullptr);
    QWidget form;
    std::unique_ptr<QWidget> bar(plugin->createWidget(&form));
    ASSERT_NE(bar, nullptr);
    // Designer shows designable properties and writes to the form only the stored ones:
    // each of the three is both, or an edit in the property editor would be lost.
    const QMetaObject* meta = bar->metaObject();
    for (const char* name : {"Value", "BackColor", "ForeColor"}) {
        const QMetaProperty property = meta->property(meta->indexOfProperty(name));
        ASSERT_TRUE(property.isValid()) << name;
        EXPECT_TRUE(property.isDesignable()) << name;
        EXPECT_TRUE(property.isStored()) << name << " is offered but never saved";
        EXPECT_TRUE(property.isWritable()) << name << " could not be restored";
    }
}

TEST(GraphicBarPluginTest, ANewBarIsVisibleOnItsFormAtValueZero) {
    QDesignerCustomWidgetInterface* plugin = loadPlugin();
    ASSERT_NE(plugin, nullptr);
    QWidget form;
    form.resize(200, 60);
    QWidget* bar = plugin->createWidget(&form);
    ASSERT_NE(bar, nullptr);
    bar->setGeometry(10, 10, 150, 17);
    EXPECT_EQ(applySnippet(plugin->domXml(), bar), 2); // both colours
    ASSERT_EQ(bar->property("Value").toInt(), 0);

    const QColor formColour = form.palette().color(QPalette::Window);
    const QImage empty = bar->grab().toImage();
    EXPECT_GE(colourDistance(empty.pixelColor(75, 8), formColour), 90)
        << "the empty bar looks like the form around it";

    bar->setProperty("Value", 50);
    const QImage half = bar->grab().toImage();
    EXPECT_GE(colourDistance(half.pixelColor(20, 8), half.pixelColor(130, 8)), 90)
        << "the band looks like the trough";
    EXPECT_GE(colourDistance(half.pixelColor(20, 8), formColour), 90);
}

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
