#pragma once

#include "ScopedState.h"
#include "base/Translate.h"

#include <QLocale>

namespace quillet::test {

// Another language for a while: the default locale and the program's translations (its own
// and Qt's) loaded for it. When the guard ends, also when an assertion ends the test early,
// the locale goes back first and the translations are loaded for it again.
class ScopedTranslation {
public:
    explicit ScopedTranslation(const QLocale& locale) : m_locale(locale) {
        loadTranslations(locale);
    }
    ScopedTranslation(const ScopedTranslation&) = delete;
    ScopedTranslation& operator=(const ScopedTranslation&) = delete;

private:
    // Destroyed last: reloads once the locale is back.
    struct Reload {
        Reload() = default;
        Reload(const Reload&) = delete;
        Reload& operator=(const Reload&) = delete;
        ~Reload() { loadTranslations(QLocale()); }
    } m_reload;
    ScopedDefaultLocale m_locale;
};

} // namespace quillet::test
