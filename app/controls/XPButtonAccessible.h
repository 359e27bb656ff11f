#pragma once

#include <QAccessibleInterface>

namespace quillet {

// What a screen reader and other assistive tools see of an XPButton: a push button named by
// its caption, which they can press. The factory QAccessible asks for each object.
QAccessibleInterface* accessibleButton(const QString& className, QObject* object);

} // namespace quillet
