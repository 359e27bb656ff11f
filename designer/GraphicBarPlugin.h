#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// Lets forms in Qt Designer hold a GraphicBar; its Value and colours are saved in the form.
class GraphicBarPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit GraphicBarPlugin(QObject* parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

    // The colours of a bar dropped on a form (0x00BBGGRR): a grey trough, a blue band.
    static constexpr int NewBarBackColor = 0x00A0A0A0;
    static constexpr int NewBarForeColor = 0x00D77800;

private:
    bool m_initialized = false;
};
