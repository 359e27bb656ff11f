#pragma once

#include "PropertyBag.h"

#include <QMap>
#include <QStringList>

// A property bag kept in memory: what a form stores for its controls, and what the
// tests inspect. It also remembers the order of reads and writes.
class MapPropertyBag : public PropertyBag {
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override;
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = QVariant()) override;

    bool Contains(const QString& name) const { return values_.contains(name); }
    QVariant Value(const QString& name) const { return values_.value(name); }
    void SetValue(const QString& name, const QVariant& value) { values_.insert(name, value); }
    qsizetype Count() const { return values_.size(); }

    // Names in the order they were read or written (every call, stored or not).
    const QStringList& ReadOrder() const { return reads_; }
    const QStringList& WriteOrder() const { return writes_; }

private:
    QMap<QString, QVariant> values_;
    mutable QStringList reads_;
    QStringList writes_;
};
