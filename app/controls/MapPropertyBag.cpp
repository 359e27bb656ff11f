#include "MapPropertyBag.h"

QVariant MapPropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    reads_.append(name);
    const auto it = values_.constFind(name);
    return it == values_.constEnd() ? defaultValue : it.value();
}

void MapPropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                   const QVariant& defaultValue) {
    writes_.append(name);
    // An empty value with an empty default is the host's way of saying "nothing".
    const bool sameAsDefault =
        value.isNull() ? defaultValue.isNull() : (!defaultValue.isNull() && value == defaultValue);
    if (sameAsDefault)
        values_.remove(name);
    else
        values_.insert(name, value);
}
