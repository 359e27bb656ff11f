#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // Widget tests run without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The tests read the program's English texts, whatever language the person running them
    // uses (the tests of the translations choose theirs).
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    // The program's per-user locks go to a runtime folder of the tests' own.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    return RUN_ALL_TESTS();
}
