#pragma once

namespace componentkit {
class ServerModule;
}

namespace BrevantJPEG {
// The library's component module: class factory and live-object count.
componentkit::ServerModule& module();
} // namespace BrevantJPEG
