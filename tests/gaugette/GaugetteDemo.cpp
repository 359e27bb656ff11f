// Shows a few bars, created the way a host creates them: by programmatic identifier, with
// their properties set by dispatch id. Registers into a temporary configuration folder so
// the user's own registry is left alone.
#include <ComponentKit.h>

#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

using namespace componentkit;

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);

    ServerLibrary server;
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(GAUGETTE_LIBRARY_PATH);
    if (failed(server.load(path)) || failed(server.registerServer())) {
        std::fprintf(stderr, "cannot load or register %s\n", qPrintable(path));
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("GraphicBar"));
    auto* form = new QFormLayout(&window);
    struct Bar {
        int value;
        int back;
        int fore;
    };
    // Colours are 0x00BBGGRR.
    const Bar bars[] = {{0, 0x00E0E0E0, 0x00C07020},   {1, 0x00E0E0E0, 0x00C07020},
                        {33, 0x00E0E0E0, 0x00C07020},  {50, 0x00303030, 0x0000C0FF},
                        {80, 0x00FFFFFF, 0x0000A000},  {100, 0x00FFFFFF, 0x002020D0},
                        {150, 0x00FFFFFF, 0x002020D0}, {-5, 0x00FFFFFF, 0x002020D0}};
    for (const Bar& b : bars) {
        QObject* object = nullptr;
        if (failed(createObject(QStringLiteral("Gaugette.GraphicBar"), server, &object)))
            return 1;
        auto* widget = qobject_cast<QWidget*>(object);
        // The bar draws when a property is set, so it gets its size first.
        widget->setFixedSize(300, 18);
        putProperty(object, 0x68030001, b.back);
        putProperty(object, 0x68030002, b.fore);
        putProperty(object, 0x68030000, b.value);
        form->addRow(QStringLiteral("Value = %1").arg(b.value), widget);
    }
    window.show();
    const int result = app.exec();
    server.unregisterServer();
    return result;
}
