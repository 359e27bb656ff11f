// Bounded random-input run over DecodeBufferToSection: mutated real JPEGs, headers that
// claim any size up to 65535 x 65535, and plain noise; fixed seed, a few seconds at most.
// Meant to run under the sanitizers.
#include "DibSection.h"
#include "JpegCodecBinding.h"
#include "JpegTestImages.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <turbojpeg.h>
#include <vector>

using namespace BrevantJPEG;
namespace jcb = BrevantJPEG::JpegCodecBinding;

namespace {

QByteArray encodeWith(const QImage& picture, int subsampling, int flags) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                TJPF_RGB, &out, &size, subsampling, 75, flags);
    QByteArray result(reinterpret_cast<char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    return result;
}

struct Header {
    bool ok = false;
    long long pixels = 0;
    int width = 0, height = 0;
};

Header headerOf(const QByteArray& data) {
    Header h;
    tjhandle handle = tjInitDecompress();
    int subsampling = 0, colourSpace = 0;
    h.ok = tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(data.constData()),
                               static_cast<unsigned long>(data.size()), &h.width, &h.height,
                               &subsampling, &colourSpace) == 0;
    h.pixels = static_cast<long long>(h.width) * h.height;
    tjDestroy(handle);
    return h;
}

QByteArray mutate(const QByteArray& seed, QRandomGenerator& random) {
    QByteArray data = seed;
    switch (random.bounded(6)) {
    case 0: // a few flipped bytes
        for (int i = 0, n = 1 + random.bounded(8); i < n; ++i)
            data[random.bounded(data.size())] = char(random.bounded(256));
        break;
    case 1: // cut short
        data.truncate(random.bounded(data.size()));
        break;
    case 2: // bytes inserted
        data.insert(random.bounded(data.size()),
                    QByteArray(1 + random.bounded(16), char(random.bounded(256))));
        break;
    case 3: // a stretch overwritten near the headers, where the parser decides most
        for (qsizetype i = 0, at = random.bounded(qMin<qsizetype>(data.size(), 700)); i < 4; ++i)
            if (at + i < data.size())
                data[at + i] = char(random.bounded(256));
        break;
    case 4: { // a header that claims any size, most of them far beyond the data
        const QByteArray claimed =
            jpegtest::claimingSize(data, 1 + random.bounded(65535), 1 + random.bounded(65535));
        if (!claimed.isEmpty())
            data = claimed;
        break;
    }
    default: { // noise that starts like a JPEG
        QByteArray noise(1 + random.bounded(2000), '\0');
        for (char& c : noise)
            c = char(random.bounded(256));
        noise[0] = char(0xFF);
        if (noise.size() > 1)
            noise[1] = char(0xD8);
        data = noise;
    }
    }
    return data;
}

} // namespace

TEST(JpegDecodeRandomInput, NeverCrashesAndReportsHonestly) {
    const QImage picture = jpegtest::gradient(48, 40);
    const std::vector<QByteArray> seeds = {
        encodeWith(picture, TJSAMP_420, 0),
        encodeWith(picture, TJSAMP_444, TJFLAG_PROGRESSIVE),
        encodeWith(picture, TJSAMP_GRAY, 0),
        encodeWith(picture, TJSAMP_422, 0),
    };
    QRandomGenerator random(20240611u);
    QElapsedTimer clock;
    clock.start();
    // Limits per input, far above what any input here needs: a header that makes the
    // decoder allocate or fill what it claims instead of what its data holds breaks them.
    constexpr qint64 InputMs = 3000;
    constexpr long GrowthMb = 512; // above the sanitizer's quarantine of freed memory
    const long startMb = jpegtest::peakMemoryMb();
    int runs = 0, decoded = 0, huge = 0;
    while (runs < 20000 && clock.elapsed() < 4000) {
        // The first input is the classic: 26000 x 27000 pixels claimed by a small file.
        const QByteArray data =
            runs == 0 ? jpegtest::claimingSize(seeds[0], 26000, 27000)
                      : mutate(seeds[size_t(random.bounded(int(seeds.size())))], random);
        if (data.isEmpty())
            continue;
        const Header header = headerOf(data);
        if (header.ok && header.pixels > 4LL * 1024 * 1024)
            ++huge;
        ++runs;
        QElapsedTimer inputClock;
        inputClock.start();
        DibSection s;
        ASSERT_TRUE(s.Create(3, 3, 3));
        const bool ok = jcb::DecodeBufferToSection(
            s, reinterpret_cast<const std::uint8_t*>(data.constData()), std::int32_t(data.size()));
        if (ok) {
            ++decoded;
            // A success is exactly the size the header announces.
            ASSERT_TRUE(header.ok) << "run " << runs;
            ASSERT_EQ(s.Width(), header.width) << "run " << runs;
            ASSERT_EQ(s.Height(), header.height) << "run " << runs;
        } else {
            // A failure leaves either the old section or nothing.
            ASSERT_TRUE(s.IsEmpty() || (s.Width() == 3 && s.Height() == 3)) << "run " << runs;
        }
        ASSERT_LT(inputClock.elapsed(), InputMs)
            << "run " << runs << ": " << header.width << " x " << header.height;
        ASSERT_LT(jpegtest::peakMemoryMb() - startMb, GrowthMb)
            << "run " << runs << ": " << header.width << " x " << header.height;
    }
    EXPECT_GT(runs, 200);
    EXPECT_GT(huge, 20);   // the claims this run is about are among the inputs
    EXPECT_GT(decoded, 0); // the mutations are not all rejected at the door
    RecordProperty("runs", runs);
    RecordProperty("decoded", decoded);
    RecordProperty("huge", huge);
}
