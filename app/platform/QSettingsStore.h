#pragma once

#include "SettingsStore.h"

#include <QSettings>

#include <memory>

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
    bool reload() override;
    QString writeError() const override;

private:
    static Health inspect(const QString& path);
    std::unique_ptr<QSettings> open() const;

    QString m_file; // empty: the native store of the user
    std::unique_ptr<QSettings> m_settings;
    Health m_health = Health::Ok;
    unsigned m_reloads = 0;
};

} // namespace quillet::platform
