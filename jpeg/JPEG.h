#pragma once

#include "BrevantJpegExport.h"
#include "DeviceContext.h"
#include "JpegDecodeLimits.h"
#include "JpegError.h"

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

namespace componentkit {
class LiveObject;
}

namespace BrevantJPEG {

// The library's one public class. Saves a picture as a JPEG file or as JPEG bytes,
// re-encodes a JPEG file at a new size and quality, and draws JPEG bytes onto a device
// context. It keeps no state between calls; every call works on its own pixel buffer.
//
// Nothing is raised to the caller: a step that fails is skipped. The failures a caller can
// see are the false result of LoadJPEGFromRAM2Picture, an empty result of the two methods
// that return JPEG bytes, and LastError().
//
// Optional arguments: JPEGQuality defaults to 50, the others to 0. FixWidth and FixHeight of
// SaveJPEG and SaveJPEGToMemory are written back when a 0 in them takes the picture's size,
// hence the overloads taking them by reference.
class BREVANTJPEG_EXPORT JPEG : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ProgId", "BrevantJPEG.JPEG")
    Q_CLASSINFO("Interface", "_JPEG")
    Q_CLASSINFO("DispId 0x60030000", "SaveJPEG")
    Q_CLASSINFO("DispId 0x60030001", "SaveJPEGToMemory")
    Q_CLASSINFO("DispId 0x60030002", "LoadJPEGFromRAMToPicture")
    Q_CLASSINFO("DispId 0x60030003", "LoadJPEGFromRAM2Picture")
    Q_CLASSINFO("DispId 0x60030004", "SaveJPEGToMemoryResampled")
    Q_CLASSINFO("DispId 0x60030005", "SaveJPEGResampled")

public:
    Q_INVOKABLE explicit JPEG(QObject* parent = nullptr);
    ~JPEG() override;

    // The global application object: callers may use the methods without creating one.
    // It does not keep the library loaded.
    static JPEG& Global();

    // Writes the picture to xFilename, cropped or padded with black (never scaled) to
    // FixWidth x FixHeight.
    Q_INVOKABLE void SaveJPEG(const QImage& ImageToSave, const QString& xFilename);
    Q_INVOKABLE void SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality);
    Q_INVOKABLE void SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality,
                              int& FixWidth);
    Q_INVOKABLE void SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality,
                              int& FixWidth, int& FixHeight);

    // As SaveJPEG, returning the JPEG bytes (one character per byte); empty on failure.
    Q_INVOKABLE QByteArray SaveJPEGToMemory(const QImage& ImageToSave);
    Q_INVOKABLE QByteArray SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality);
    Q_INVOKABLE QByteArray SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality,
                                            int& FixWidth);
    Q_INVOKABLE QByteArray SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality,
                                            int& FixWidth, int& FixHeight);

    // Does nothing: always the empty picture. It stays because the interface's dispatch
    // table above names it: callers that reach the methods by name or number must find it.
    Q_INVOKABLE QImage LoadJPEGFromRAMToPicture(const QByteArray& ArrayPointer, int ArraySize,
                                                int x = 0, int Y = 0);
    QImage LoadJPEGFromRAMToPicture(const std::uint8_t* ArrayPointer, int ArraySize, int x = 0,
                                    int Y = 0);

    // Decodes ArraySize bytes and draws them at (0, 0) in their own size, then again
    // stretched smoothly into x x Y (or in their own size when both are 0). False, with
    // nothing drawn, when the bytes do not decode. The byte-array form never reads past
    // the array, whatever ArraySize says.
    Q_INVOKABLE bool LoadJPEGFromRAM2Picture(BrevantJPEG::DeviceContext* Dest_hDC,
                                             const QByteArray& ArrayPointer, int ArraySize,
                                             int x = 0, int Y = 0);
    bool LoadJPEGFromRAM2Picture(DeviceContext& Dest_hDC, const std::uint8_t* ArrayPointer,
                                 int ArraySize, int x = 0, int Y = 0);

    // Re-encodes the JPEG file ImageToSave. Only when FixWidth and FixHeight are both
    // non-zero is it resampled, to exactly that size (the aspect ratio is not kept).
    Q_INVOKABLE QByteArray SaveJPEGToMemoryResampled(const QString& ImageToSave,
                                                     int JPEGQuality = 50, int FixWidth = 0,
                                                     int FixHeight = 0);
    // As SaveJPEGToMemoryResampled, written to TargetFile. The result is always empty.
    Q_INVOKABLE QVariant SaveJPEGResampled(const QString& ImageToSave, const QString& TargetFile,
                                           int JPEGQuality = 50, int FixWidth = 0,
                                           int FixHeight = 0);

    // What the decoding methods believe of a header (see JpegDecodeLimits.h); process-wide.
    // A refused picture is one that does not decode.
    static void SetDecodeLimits(const JpegDecodeLimits& limits);
    static JpegDecodeLimits DecodeLimits();

    // The last error noted on this thread (number 26001 when encoding to memory failed).
    static JpegError LastError();
    static void ClearLastError();

private:
    struct Uncounted {};
    JPEG(Uncounted, QObject* parent);

    std::unique_ptr<componentkit::LiveObject> m_live;
};

} // namespace BrevantJPEG

Q_DECLARE_METATYPE(BrevantJPEG::DeviceContext*)
