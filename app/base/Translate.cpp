#include "Translate.h"

#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMutex>
#include <QStandardPaths>
#include <QTranslator>

namespace quillet {

namespace {

// Created on first use and kept for the life of the program.
QTranslator* translator() {
    static QTranslator* instance = [] {
        auto* t = new QTranslator;
        QStringList dirs{AppPath() + QStringLiteral("translations"),
                         AppPath() + QStringLiteral("../share/quillet/translations")};
        dirs += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                          QStringLiteral("quillet/translations"),
                                          QStandardPaths::LocateDirectory);
        for (const QString& dir : dirs) {
            if (t->load(QLocale(), QStringLiteral("quillet"), QStringLiteral("_"), dir))
                break;
        }
        return t;
    }();
    return instance;
}

} // namespace

QString Translate(const QString& text, int number) {
    if (text.isEmpty())
        return text;
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    const QByteArray key = text.toUtf8();
    const QString result = translator()->translate("Quillet", key.constData(), nullptr, number);
    return result.isEmpty() ? text : result;
}

} // namespace quillet
