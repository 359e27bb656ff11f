#pragma once

namespace componentkit {
class ServerModule;
}

namespace gaugette {
// The library's component module: class factory and live-object count.
componentkit::ServerModule& module();
} // namespace gaugette
