#pragma once

#include "Image.h"
#include "TypedImage.h"
#include "model/Log.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstring>
#include <functional>
#include <memory>
#include <tiffio.h>
#include <vector>

// Helpers shared by the stack tests: a log sink that records what the stacks report, and a
// libtiff writer for files that the program's own writer does not make (pages of different
// sizes, no ImageJ description, chosen resolutions).
namespace StackTest {

// Records every log line as the log pane would show it ("> ", "ERROR: ", "WARNING: " first) and
// every progress call.
class RecordingSink : public Log::Sink {
public:
    RecordingSink() { Log::SetSink(this); }
    ~RecordingSink() override { Log::SetSink(nullptr); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void Output(const QString& text, bool dateTime) override
    {
        lines << "> " + text;
        dated << dateTime;
    }
    void Error(const QString& text) override
    {
        lines << "ERROR: " + text;
        dated << true;
    }
    void Warning(const QString& text) override
    {
        lines << "WARNING: " + text;
        dated << true;
    }
    void ShowProgress() override { progress << "show"; }
    void HideProgress() override { progress << "hide"; }
    void SetProgressText(const QString& text) override { progress << "text " + text; }
    void SetProgressBusy() override { progress << "busy"; }
    void SetProgressMaximum(int max) override { progress << QString("max %1").arg(max); }
    void SetProgressValue(int value) override { progress << QString("value %1").arg(value); }

    QStringList lines;
    QList<bool> dated;
    QStringList progress;
};

// One page for WriteTiff: pixel (x, y) of the picture as the program sees it (row 0 at the
// bottom) is value(x, y); the file stores the top row first.
struct Page {
    int width = 1;
    int height = 1;
    int bits = 8;                // 8 or 16
    float xPixelsPerUnit = 0.0f; // 0: no resolution tags
    float yPixelsPerUnit = 0.0f;
    QByteArray description = {}; // empty: none
    std::function<unsigned(int, int)> value = [](int x, int y) { return unsigned(x + y); };
};

inline bool WriteTiff(const QString& path, const std::vector<Page>& pages)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    bool ok = true;
    for (const Page& page : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(page.width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(page.height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(page.bits));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(page.height));
        if (page.xPixelsPerUnit > 0.0f) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, page.xPixelsPerUnit);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, page.yPixelsPerUnit);
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_CENTIMETER));
        }
        if (!page.description.isEmpty())
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, page.description.constData());
        const int bytes = page.bits / 8;
        std::vector<unsigned char> row(size_t(page.width) * size_t(bytes));
        for (int fileRow = 0; fileRow < page.height && ok; ++fileRow) {
            const int y = page.height - 1 - fileRow;
            for (int x = 0; x < page.width; ++x) {
                const unsigned v = page.value(x, y);
                if (bytes == 1) {
                    row[size_t(x)] = uint8_t(v);
                } else {
                    const uint16_t s = uint16_t(v);
                    std::memcpy(&row[size_t(x) * 2], &s, 2);
                }
            }
            ok = TIFFWriteScanline(tif, row.data(), uint32_t(fileRow), 0) == 1;
        }
        ok = ok && TIFFWriteDirectory(tif) == 1;
    }
    TIFFClose(tif);
    return ok;
}

// An ImageJ description with the given spacing text.
inline QByteArray ImageJDescription(int count, const QByteArray& spacing)
{
    return "ImageJ=1.53t\nimages=" + QByteArray::number(count) + "\nslices=" + QByteArray::number(count)
        + "\nunit=micron\nspacing=" + spacing + "\nloop=false\n";
}

// An image of the given type whose pixel (x, y) is value(x, y).
inline std::unique_ptr<Image> MakeImage(int width, int height, Image::Type type,
    const std::function<float(int, int)>& value, const RATIONAL& xres = RATIONAL(1, 1),
    const RATIONAL& yres = RATIONAL(1, 1), const std::string& unit = "px")
{
    auto image = Image::FromType(width, height, type, xres, yres, unit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->Set(x, y, value(x, y));
    return image;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace StackTest
