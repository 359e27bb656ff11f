#include "Translate.h"

#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QStandardPaths>
#include <QTranslator>

#include <memory>

// Which translation files the program found: QT_LOGGING_RULES="quillet.resources.info=true".
Q_LOGGING_CATEGORY(lcResources, "quillet.resources", QtWarningMsg)

namespace quillet {

namespace {

struct Translators {
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt; // installed in the application while it is loaded
};

QMutex& translatorsMutex() {
    static QMutex mutex;
    return mutex;
}

// Kept for the life of the program once made.
Translators& translators() {
    static Translators instance;
    return instance;
}

// Beside the program (a bundle), in the installed prefix, then the XDG data folders.
QStringList ownFolders() {
    QStringList folders{platform::AppPath() + QStringLiteral("translations"),
                        platform::AppPath() + QStringLiteral("../share/quillet/translations")};
    folders += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                         QStringLiteral("quillet/translations"),
                                         QStandardPaths::LocateDirectory);
    return folders;
}

// With the mutex held.
void load(Translators& loaded, const QLocale& locale) {
    if (loaded.qt)
        QCoreApplication::removeTranslator(loaded.qt.get());
    loaded.qt.reset();
    loaded.own = std::make_unique<QTranslator>();
    for (const QString& folder : ownFolders()) {
        if (loaded.own->load(locale, QStringLiteral("quillet"), QStringLiteral("_"), folder))
            break;
    }
    if (loaded.own->isEmpty()) {
        qCInfo(lcResources).noquote()
            << "translation: none for" << locale.uiLanguages().join(QLatin1Char(',')) << "in"
            << ownFolders().join(QLatin1Char(','));
        return;
    }
    qCInfo(lcResources).noquote() << "translation:" << loaded.own->filePath();

    // Qt's texts in the same language, so that a dialog's buttons match the rest. Only then:
    // in a language we have no translation for, Qt's alone would make the dialogs a mixture.
    auto qt = std::make_unique<QTranslator>();
    const QString language = QLocale(loaded.own->language()).name();
    for (const QString& folder : {platform::AppPath() + QStringLiteral("translations"),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            break;
    }
    if (qt->isEmpty()) {
        qCInfo(lcResources).noquote() << "Qt's translation: none for" << language;
        return;
    }
    qCInfo(lcResources).noquote() << "Qt's translation:" << qt->filePath();
    if (QCoreApplication::instance() && QCoreApplication::installTranslator(qt.get()))
        loaded.qt = std::move(qt);
}

} // namespace

void loadTranslations(const QLocale& locale) {
    QMutexLocker lock(&translatorsMutex());
    load(translators(), locale);
}

QString Translate(const QString& text, int number) {
    if (text.isEmpty())
        return text;
    QMutexLocker lock(&translatorsMutex());
    Translators& loaded = translators();
    if (!loaded.own)
        load(loaded, QLocale());
    const QByteArray key = text.toUtf8();
    // A count would choose among plural forms, which no text has: 0, which every caller
    // passes, means none (as a count, it would ask for a plural form and find no text).
    const QString result =
        loaded.own->translate("Quillet", key.constData(), nullptr, number != 0 ? number : -1);
    return result.isEmpty() ? text : result;
}

} // namespace quillet
