#include "FileSystem.h"

namespace quillet::platform {

bool isTransferTempName(const std::string& name) {
    static const std::string prefix = ".quillet-";
    static const std::string suffix = ".tmp";
    return name.size() == prefix.size() + 6 + suffix.size() && name.rfind(prefix, 0) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace quillet::platform
