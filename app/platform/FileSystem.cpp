#include "FileSystem.h"

namespace quillet::platform {

namespace {
const std::string TempPrefix = ".quillet~";
const std::string TempSuffix = ".part";
constexpr std::size_t TempDigits = 16;
} // namespace

bool isTransferTempName(const std::string& name) {
    if (name.size() != TempPrefix.size() + TempDigits + TempSuffix.size() ||
        name.compare(0, TempPrefix.size(), TempPrefix) != 0 ||
        name.compare(name.size() - TempSuffix.size(), TempSuffix.size(), TempSuffix) != 0)
        return false;
    for (std::size_t i = TempPrefix.size(); i < TempPrefix.size() + TempDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

std::string transferTempName(std::uint64_t random) {
    static const char hex[] = "0123456789abcdef";
    std::string digits(TempDigits, '0');
    for (std::size_t i = 0; i < TempDigits; ++i)
        digits[TempDigits - 1 - i] = hex[(random >> (4 * i)) & 15u];
    return TempPrefix + digits + TempSuffix;
}

} // namespace quillet::platform
