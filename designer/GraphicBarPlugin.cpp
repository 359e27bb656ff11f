#include "GraphicBarPlugin.h"

#include <GraphicBar.h>

#include <QIcon>

GraphicBarPlugin::GraphicBarPlugin(QObject* parent) : QObject(parent) {}

QString GraphicBarPlugin::name() const {
    return QStringLiteral("GraphicBar");
}
QString GraphicBarPlugin::group() const {
    return QStringLiteral("Gaugette");
}
QString GraphicBarPlugin::toolTip() const {
    return QStringLiteral("Flat progress bar");
}
QString GraphicBarPlugin::whatsThis() const {
    return QStringLiteral("A band in ForeColor over BackColor, Value percent wide.");
}
QString GraphicBarPlugin::includeFile() const {
    return QStringLiteral("GraphicBar.h");
}
QIcon GraphicBarPlugin::icon() const {
    return {};
}
bool GraphicBarPlugin::isContainer() const {
    return false;
}
QWidget* GraphicBarPlugin::createWidget(QWidget* parent) {
    return new GraphicBar(parent);
}
bool GraphicBarPlugin::isInitialized() const {
    return m_initialized;
}
void GraphicBarPlugin::initialize(QDesignerFormEditorInterface* core) {
    Q_UNUSED(core);
    m_initialized = true;
}

// A new bar gets colours of its own: with the surface's colours it would be the form's
// background at Value 0, invisible. They are saved with the form like any other setting.
QString GraphicBarPlugin::domXml() const {
    return QStringLiteral(R"(<ui language="c++">
  <widget class="GraphicBar" name="graphicBar">
    <property name="geometry">
      <rect><x>0</x><y>0</y><width>150</width><height>17</height></rect>
    </property>
    <property name="BackColor">
      <number>%1</number>
    </property>
    <property name="ForeColor">
      <number>%2</number>
    </property>
  </widget>
</ui>
)")
        .arg(NewBarBackColor)
        .arg(NewBarForeColor);
}
