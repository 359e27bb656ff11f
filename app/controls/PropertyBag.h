#pragma once

#include <QString>
#include <QVariant>

namespace quillet {

// The host's store of a control's design-time properties. A form keeps one bag per
// control; the control reads each property with a default and writes each one with
// the default it would read back, so that values equal to the default are not stored.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;

    // The stored value of `name`, or `defaultValue` when nothing is stored.
    virtual QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const = 0;

    // Stores `value` under `name` unless it equals `defaultValue`; in that case any
    // stored value is dropped, so reading gives the default back. A null default
    // means "no default": every non-null value is stored.
    virtual void WriteProperty(const QString& name, const QVariant& value,
                               const QVariant& defaultValue = QVariant()) = 0;
};

} // namespace quillet
