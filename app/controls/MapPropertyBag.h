#pragma once

#include "PropertyBag.h"

#include <QMap>
#include <QStringList>

namespace quillet {

// A property bag kept in memory: what a form stores for its controls, and what the
// tests inspect. It also remembers the order of reads and writes.
class MapPropertyBag : public PropertyBag {
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override;
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = QVariant()) override;

    bool Contains(const QString& name) const { return m_values.contains(name); }
    QVariant Value(const QString& name) const { return m_values.value(name); }
    void SetValue(const QString& name, const QVariant& value) { m_values.insert(name, value); }
    qsizetype Count() const { return m_values.size(); }

    // Names in the order they were read or written (every call, stored or not).
    const QStringList& ReadOrder() const { return m_reads; }
    const QStringList& WriteOrder() const { return m_writes; }

private:
    QMap<QString, QVariant> m_values;
    mutable QStringList m_reads;
    QStringList m_writes;
};

} // namespace quillet
