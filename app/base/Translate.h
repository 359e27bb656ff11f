#pragma once

#include <QString>

namespace quillet {

// Every on-screen text passes through here. The English text is the key; without a
// translation for the user's language the English comes back unchanged.
QString Translate(const QString& text, int number = 0);

} // namespace quillet
