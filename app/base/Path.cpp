#include "Path.h"

namespace quillet {

Path Path::withSeparator() const {
    return endsWithSeparator() ? *this : Path(m_bytes + '/');
}

Path Path::operator/(const std::string& name) const {
    if (m_bytes.empty())
        return Path(name);
    return Path(withSeparator().m_bytes + name);
}

std::string Path::fileName() const {
    const auto slash = m_bytes.find_last_of('/');
    return slash == std::string::npos ? m_bytes : m_bytes.substr(slash + 1);
}

Path Path::parent() const {
    std::string text = m_bytes;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const auto slash = text.find_last_of('/');
    return Path(slash == std::string::npos ? std::string() : text.substr(0, slash + 1));
}

namespace {

// Length of the well-formed UTF-8 sequence at data[i], or 0 when it is not one.
std::size_t sequenceLength(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

bool Path::isText(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

QString Path::displayName(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t runStart = 0;
    auto flushRun = [&](std::size_t end) {
        if (end > runStart)
            out +=
                QString::fromUtf8(bytes.data() + runStart, static_cast<qsizetype>(end - runStart));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, i);
        if (n > 0) {
            i += n;
            continue;
        }
        flushRun(i);
        static const char hex[] = "0123456789ABCDEF";
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += QLatin1String("\\x");
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 15]);
        ++i;
        runStart = i;
    }
    flushRun(bytes.size());
    return out;
}

QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString withoutSeparator(const QString& path) {
    QString bare = path;
    while (bare.size() > 1 && bare.endsWith(QLatin1Char('/')))
        bare.chop(1);
    return bare;
}

} // namespace quillet
