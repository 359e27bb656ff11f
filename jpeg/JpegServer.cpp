#include "JPEG.h"
#include "JpegModule.h"

#include <ComponentKit.h>

namespace {
QObject* createJpeg() {
    return new BrevantJPEG::JPEG;
}
} // namespace

namespace BrevantJPEG {
componentkit::ServerModule& module() {
    static componentkit::ServerModule m(
        {{QUuid("{5d3a8f12-7c4e-4b9a-a1e6-2f0b9c6d4e71}"), QStringLiteral("BrevantJPEG.JPEG"),
          QStringLiteral("BrevantJPEG JPEG encoder and decoder"), &createJpeg}});
    return m;
}
} // namespace BrevantJPEG

COMPONENTKIT_DEFINE_ENTRY_POINTS(BrevantJPEG::module())
