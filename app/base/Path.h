#pragma once

#include <QString>

#include <string>

namespace quillet {

// A path as the file system spells it: the bytes of its names, kept exactly, whether or not
// they are valid UTF-8. It is decoded only to show or log it.
class Path {
public:
    Path() = default;
    static Path fromNative(std::string bytes) { return Path(std::move(bytes)); }
    // A path typed or stored as text: its UTF-8 bytes, as the system spells names.
    static Path fromText(const QString& text) { return Path(text.toStdString()); }

    const std::string& native() const { return m_bytes; }
    bool isEmpty() const { return m_bytes.empty(); }
    bool endsWithSeparator() const { return !m_bytes.empty() && m_bytes.back() == '/'; }
    Path withSeparator() const;
    // The path with the name appended, one separator between them.
    Path operator/(const std::string& name) const;
    // The last name; empty for a path that ends in a separator.
    std::string fileName() const;
    // The folder that holds it, with its separator ("/a/b/" for "/a/b/c" and "/a/b/c/");
    // empty for a bare name.
    Path parent() const;
    bool startsWith(const Path& prefix) const { return m_bytes.rfind(prefix.m_bytes, 0) == 0; }

    // For people: UTF-8 decoded, each byte that does not decode shown as \xHH.
    QString display() const { return displayName(m_bytes); }
    static QString displayName(const std::string& bytes);
    // True when display() gives back exactly these bytes as UTF-8.
    static bool isText(const std::string& bytes);

    friend bool operator==(const Path&, const Path&) = default;
    friend auto operator<=>(const Path&, const Path&) = default;

private:
    explicit Path(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::string m_bytes;
};

// A folder path as text with exactly one trailing separator added when it has none.
QString withSeparator(const QString& path);
// A folder path as text without its trailing separators; the root "/" stays.
QString withoutSeparator(const QString& path);

} // namespace quillet
