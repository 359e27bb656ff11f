#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // The tests read the program's English texts, whatever language the person running them
    // uses (the tests of the translations choose theirs).
    qputenv("LANGUAGE", "en");
    QCoreApplication app(argc, argv);
    // The per-user locks of the program go to a runtime folder of the tests' own, never the
    // user's (a real pass of the user's would otherwise make the tests wait, and the reverse).
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    return RUN_ALL_TESTS();
}
