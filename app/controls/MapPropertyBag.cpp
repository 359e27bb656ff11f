#include "MapPropertyBag.h"

namespace quillet {

QVariant MapPropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    m_reads.append(name);
    const auto it = m_values.constFind(name);
    return it == m_values.constEnd() ? defaultValue : it.value();
}

void MapPropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                   const QVariant& defaultValue) {
    m_writes.append(name);
    // An empty value with an empty default is the host's way of saying "nothing".
    const bool sameAsDefault =
        value.isNull() ? defaultValue.isNull() : (!defaultValue.isNull() && value == defaultValue);
    if (sameAsDefault)
        m_values.remove(name);
    else
        m_values.insert(name, value);
}

} // namespace quillet
