#pragma once

#include <QString>

#include <memory>

namespace quillet::platform {

// The per-user store of text values by section and key. Every value is text.
class SettingsStore {
public:
    enum class Health { Ok, Unreadable, Malformed };

    virtual ~SettingsStore() = default;
    virtual QString read(const QString& section, const QString& key,
                         const QString& defaultValue) const = 0;
    virtual void write(const QString& section, const QString& key, const QString& value) = 0;
    virtual void deleteSection(const QString& section) = 0;
    // Whether the stored values could be read; a damaged store must not be written over.
    virtual Health health() const = 0;
    virtual QString location() const = 0;
    // Writes what is pending; false when it could not be written.
    virtual bool sync() = 0;
    // Reads the stored values again from where they live, so that what other processes
    // wrote meanwhile is seen (after writing what is pending); false when that failed.
    virtual bool reload() = 0;
    // Why the store cannot be written, in plain words; empty when nothing is known against it.
    virtual QString writeError() const = 0;
};

// The store of organisation and application "Quillet" in the system's native format, or a
// store in the given file (tests).
std::unique_ptr<SettingsStore> openSettingsStore(const QString& file = QString());

} // namespace quillet::platform
