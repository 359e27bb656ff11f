#pragma once

#include <QLocale>
#include <QString>

namespace quillet {

// Every on-screen text passes through here. The English text is the key; without a
// translation for the user's language the English comes back unchanged.
QString Translate(const QString& text, int number = 0);

// Loads the translation for the language of locale in place of the one in use: the
// program's own texts and, with them, Qt's (the buttons of its dialogs). English when there
// is none. Translate loads the user's language on its first use; this chooses another.
void loadTranslations(const QLocale& locale = QLocale());

} // namespace quillet
