#pragma once

#include "SettingsStore.h"

#include <QSettings>

namespace quillet::platform {

class QSettingsStore : public SettingsStore {
public:
    QSettingsStore();
    explicit QSettingsStore(const QString& file);

    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    void deleteSection(const QString& section) override;
    Health health() const override;
    QString location() const override;
    bool sync() override;

private:
    static Health inspect(const QString& path);

    mutable QSettings m_settings;
    Health m_health = Health::Ok;
};

} // namespace quillet::platform
