#include "BoolImage.h"
#include "Data.h"
#include "TestRegistry.h"
#include "Tiff.h"
#include "TypedImage.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <random>
#include <tiffio.h>

Q_DECLARE_METATYPE(Image::Type)

namespace {

// --- files written by libtiff itself -------------------------------------------------------------

struct LibtiffLayout {
    uint16_t compression = COMPRESSION_NONE;
    bool tiled = false;
    bool bigTiff = false;
    bool bigEndian = false;
    uint16_t bits = 8;
    uint16_t samples = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t predictor = PREDICTOR_NONE;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint32_t rowsPerStrip = 4;
    float xres = 0; // pixels per unit; 0 leaves the tags out
    float yres = 0;
    uint16_t resUnit = RESUNIT_NONE;
    QByteArray description;
    std::vector<uint16_t> colormap; // 3 x 2^bits entries for palette pages
};

// One page in file order: the top row first, samples interleaved.
struct FilePage {
    uint32_t width = 0;
    uint32_t height = 0;
    QByteArray bytes;
};

uint32_t RowBytes(const LibtiffLayout& s, uint32_t width)
{
    return (width * s.samples * s.bits + 7) / 8;
}

bool WriteLibtiff(const QString& path, const LibtiffLayout& s, const std::vector<FilePage>& pages)
{
    const QByteArray mode = QByteArray("w") + (s.bigTiff ? "8" : "") + (s.bigEndian ? "b" : "l");
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode.constData());
    if (!tif)
        return false;
    bool ok = true;
    for (const FilePage& page : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, s.format);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
        if (s.predictor != PREDICTOR_NONE)
            TIFFSetField(tif, TIFFTAG_PREDICTOR, s.predictor);
        const uint16_t base = s.photometric == PHOTOMETRIC_RGB ? 3 : 1;
        if (s.samples > base) {
            const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        if (s.xres > 0) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.xres);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, s.yres);
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, s.resUnit);
        }
        if (!s.description.isEmpty())
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, s.description.constData());
        if (!s.colormap.empty()) {
            const size_t n = size_t(1) << s.bits;
            TIFFSetField(tif, TIFFTAG_COLORMAP, s.colormap.data(), s.colormap.data() + n, s.colormap.data() + 2 * n);
        }
        if (pages.size() > 1) {
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        }
        const uint32_t rowBytes = RowBytes(s, page.width);
        if (s.tiled) {
            const uint32_t tw = 16, th = 16;
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, tw);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, th);
            const uint32_t tileRow = RowBytes(s, tw);
            for (uint32_t y = 0; y < page.height; y += th) {
                for (uint32_t x = 0; x < page.width; x += tw) {
                    QByteArray tile(int(tileRow * th), '\0');
                    const uint32_t cols = std::min(tw, page.width - x);
                    for (uint32_t j = 0; j < th && y + j < page.height; ++j)
                        std::memcpy(tile.data() + j * tileRow,
                            page.bytes.constData() + (y + j) * rowBytes + RowBytes(s, x), RowBytes(s, cols));
                    ok = ok
                        && TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), tile.data(), tile.size()) >= 0;
                }
            }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
            for (uint32_t r = 0, strip = 0; r < page.height; r += s.rowsPerStrip, ++strip) {
                const uint32_t n = std::min(s.rowsPerStrip, page.height - r);
                QByteArray data = page.bytes.mid(int(r * rowBytes), int(n * rowBytes));
                ok = ok && TIFFWriteEncodedStrip(tif, strip, data.data(), data.size()) >= 0;
            }
        }
        ok = ok && TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return ok;
}

// A sample value that differs between neighbouring pixels, rows, samples and pages.
int64_t Pattern(uint32_t x, uint32_t row, uint32_t sample, uint32_t page)
{
    return int64_t(x) * 37 + int64_t(row) * 101 + int64_t(sample) * 53 + int64_t(page) * 17;
}

// The file bytes of one page and the image bytes we expect from it (rows upward).
void MakePage(const LibtiffLayout& s, uint32_t w, uint32_t h, uint32_t pageIndex, FilePage& file, QByteArray& expected,
    Image::Type& type)
{
    file.width = w;
    file.height = h;
    const uint32_t rowBytes = RowBytes(s, w);
    file.bytes = QByteArray(int(rowBytes * h), '\0');
    const bool rgb = s.photometric == PHOTOMETRIC_RGB;
    const bool bilevel = s.bits == 1;
    int outBytes = 1;
    if (rgb) {
        type = Image::RGB;
        outBytes = 3;
    } else if (bilevel || (s.bits == 8)) {
        type = Image::BYTE;
    } else if (s.bits == 16) {
        type = Image::USHORT;
        outBytes = 2;
    } else if (s.bits == 32 && s.format == SAMPLEFORMAT_UINT) {
        type = Image::UINT;
        outBytes = 4;
    } else {
        type = Image::FLOAT;
        outBytes = 4;
    }
    expected = QByteArray(int(w * h * uint32_t(outBytes)), '\0');
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t imageRow = s.orientation == ORIENTATION_BOTLEFT ? row : h - 1 - row;
        unsigned char* f = reinterpret_cast<unsigned char*>(file.bytes.data()) + row * rowBytes;
        unsigned char* e = reinterpret_cast<unsigned char*>(expected.data()) + imageRow * w * uint32_t(outBytes);
        for (uint32_t x = 0; x < w; ++x) {
            if (bilevel) {
                const bool on = (x + row + pageIndex) % 3 == 0;
                if (on)
                    f[x / 8] |= uint8_t(0x80 >> (x % 8));
                const bool white = on == (s.photometric == PHOTOMETRIC_MINISBLACK);
                e[x] = white ? 255 : 0;
                continue;
            }
            for (uint32_t c = 0; c < s.samples; ++c) {
                const int64_t v = Pattern(x, row, c, pageIndex);
                unsigned char* at = f + (x * s.samples + c) * (s.bits / 8);
                if (s.format == SAMPLEFORMAT_IEEEFP && s.bits == 32) {
                    const float value = float(v) * 0.25f - 100.0f;
                    std::memcpy(at, &value, 4);
                    if (c == 0)
                        std::memcpy(e + x * 4, &value, 4);
                } else if (s.format == SAMPLEFORMAT_IEEEFP) {
                    const double value = double(v) * 0.125 - 3.0;
                    std::memcpy(at, &value, 8);
                    const float f32 = float(value);
                    if (c == 0)
                        std::memcpy(e + x * 4, &f32, 4);
                } else if (s.bits == 8) {
                    const int8_t sv = int8_t(v % 256 - 128);
                    const uint8_t uv = uint8_t(v % 256);
                    *at = s.format == SAMPLEFORMAT_INT ? uint8_t(sv) : uv;
                    if (rgb && c < 3)
                        e[x * 3 + c] = uv;
                    else if (!rgb && c == 0)
                        e[x] = s.format == SAMPLEFORMAT_INT ? uint8_t(int(sv) + 128) : uv;
                } else if (s.bits == 16) {
                    const uint16_t uv = uint16_t(v * 257 % 65536);
                    const int16_t sv = int16_t(int(uv) - 32768);
                    const uint16_t stored = s.format == SAMPLEFORMAT_INT ? uint16_t(sv) : uv;
                    std::memcpy(at, &stored, 2);
                    if (c == 0) {
                        const uint16_t out = s.format == SAMPLEFORMAT_INT ? uint16_t(int(sv) + 32768) : uv;
                        std::memcpy(e + x * 2, &out, 2);
                    }
                } else {
                    const uint32_t uv = uint32_t(v) * 2654435761u;
                    std::memcpy(at, &uv, 4);
                    if (c != 0)
                        continue;
                    if (s.format == SAMPLEFORMAT_INT) {
                        const float value = float(int32_t(uv));
                        std::memcpy(e + x * 4, &value, 4);
                    } else {
                        std::memcpy(e + x * 4, &uv, 4);
                    }
                }
            }
        }
    }
}

// Writes pages of the given sizes with libtiff; expected receives the image bytes to read back.
bool WritePages(const QString& path, const LibtiffLayout& s, const std::vector<QSize>& sizes,
    std::vector<QByteArray>* expected = nullptr, Image::Type* type = nullptr)
{
    std::vector<FilePage> pages(sizes.size());
    std::vector<QByteArray> bytes(sizes.size());
    Image::Type t = Image::BYTE;
    for (size_t k = 0; k < sizes.size(); ++k)
        MakePage(s, uint32_t(sizes[k].width()), uint32_t(sizes[k].height()), uint32_t(k), pages[k], bytes[k], t);
    if (expected)
        *expected = bytes;
    if (type)
        *type = t;
    return WriteLibtiff(path, s, pages);
}

QByteArray RawBytes(const Image& image)
{
    return QByteArray(static_cast<const char*>(image.GetRawData()), int(image.GetByteCount()));
}

// --- our own writer ------------------------------------------------------------------------------

// Slices with values that differ per pixel, row and slice.
std::unique_ptr<Image> PatternImage(Image::Type type, int w, int h, int slice)
{
    std::unique_ptr<Image> image = type == Image::BOOL
        ? Image::Boolean(w, h, RATIONAL(1, 4), RATIONAL(3, 10), "micron")
        : Image::FromType(w, h, type, RATIONAL(1, 4), RATIONAL(3, 10), "micron");
    auto* p = static_cast<unsigned char*>(image->GetRawData());
    for (size_t i = 0; i < image->GetByteCount(); ++i)
        p[i] = type == Image::BOOL ? uint8_t((i + size_t(slice)) % 3 == 0) : uint8_t(i * 7 + size_t(slice) * 31 + 1);
    if (type == Image::FLOAT) {
        auto* f = static_cast<float*>(image->GetRawData());
        for (int i = 0; i < w * h; ++i)
            f[i] = float(i) * 0.5f - float(slice) * 3.25f;
    }
    return image;
}

std::vector<std::unique_ptr<Image>> Slices(Image::Type type, int w, int h, int count)
{
    std::vector<std::unique_ptr<Image>> slices;
    for (int k = 0; k < count; ++k)
        slices.push_back(PatternImage(type, w, h, k));
    return slices;
}

qint64 WriteOurs(const QString& path, const std::vector<std::unique_ptr<Image>>& slices, float spacing,
    const std::string& unit, QString* error = nullptr)
{
    std::vector<const Image*> pointers;
    for (const auto& s : slices)
        pointers.push_back(s.get());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    return Tiff::WriteStack(file, pointers, spacing, unit, error);
}

// --- hand-made files -----------------------------------------------------------------------------

// Little- or big-endian numbers for files that no writer makes.
struct Bytes {
    QByteArray data;
    bool bigEndian = false;
    void Put(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            data.append(char((v >> (8 * (bigEndian ? n - 1 - i : i))) & 0xFF));
    }
};

struct RawEntry {
    uint16_t tag, type;
    uint32_t count, value;
};

// The entry count and the entries of a directory, values inline.
void PutEntries(Bytes& b, const std::vector<RawEntry>& entries)
{
    b.Put(entries.size(), 2);
    for (const RawEntry& e : entries) {
        b.Put(e.tag, 2);
        b.Put(e.type, 2);
        b.Put(e.count, 4);
        b.Put(e.value, e.type == TIFF_SHORT ? 2 : 4);
        if (e.type == TIFF_SHORT)
            b.Put(0, 2);
    }
}

// A classic TIFF with one directory at offset 8 and the given entries (values inline).
QByteArray OneDirectory(std::vector<RawEntry> entries, int trailing = 64)
{
    Bytes b;
    b.data = "II";
    b.Put(42, 2);
    b.Put(8, 4);
    PutEntries(b, entries);
    b.Put(0, 4);
    b.data.append(QByteArray(trailing, '\x11'));
    return b.data;
}

// A little-endian classic TIFF put together block by block; directories are chained in the order
// they are added, and their values may lie in blocks added before them.
struct TiffBuilder {
    Bytes b;
    int nextField = 4; // where the offset of the next directory goes
    TiffBuilder()
    {
        b.data = "II";
        b.Put(42, 2);
        b.Put(0, 4);
    }
    uint32_t Append(const QByteArray& bytes)
    {
        if (b.data.size() % 2)
            b.data.append('\0');
        const auto at = uint32_t(b.data.size());
        b.data.append(bytes);
        return at;
    }
    uint32_t Longs(const std::vector<uint32_t>& values)
    {
        Bytes longs;
        for (uint32_t v : values)
            longs.Put(v, 4);
        return Append(longs.data);
    }
    void Directory(const std::vector<RawEntry>& entries)
    {
        Bytes dir;
        PutEntries(dir, entries);
        dir.Put(0, 4);
        const uint32_t at = Append(dir.data);
        for (int i = 0; i < 4; ++i)
            b.data[nextField + i] = char((at >> (8 * i)) & 0xFF);
        nextField = int(at) + dir.data.size() - 4;
    }
};

// The entries of an 8- or 16-bit grey page whose strips and counts are given.
std::vector<RawEntry> GreyEntries(uint32_t w, uint32_t h, uint16_t bits, uint16_t compression, uint32_t rowsPerStrip,
    uint32_t strips, uint32_t offsets, uint32_t counts)
{
    return {{256, 4, 1, w}, {257, 4, 1, h}, {258, 3, 1, bits}, {259, 3, 1, compression}, {262, 3, 1, 1},
        {273, 4, strips, offsets}, {277, 3, 1, 1}, {278, 4, 1, rowsPerStrip}, {279, 4, strips, counts}};
}

// An ImageJ stack as ImageJ and tifffile write it: the description, the pixels of `held` 16-bit
// pages in one block, then `directories` directories, each pointing at its page in the block.
// Pixel (x, file row r) of page k is 1000 k + 10 r + x.
QByteArray ImageJBlockFile(int announced, int directories, int held)
{
    const int w = 6, h = 5, pageBytes = w * h * 2;
    TiffBuilder t;
    const QByteArray description = "ImageJ=1.53t\nimages=" + QByteArray::number(announced)
        + "\nslices=" + QByteArray::number(announced) + "\nunit=nm\nspacing=0.5\n";
    const uint32_t text = t.Append(description + '\0');
    Bytes pixels;
    for (int k = 0; k < held; ++k)
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                pixels.Put(uint64_t(1000 * k + 10 * row + x), 2);
    const uint32_t block = t.Append(pixels.data);
    Bytes resolution;
    resolution.Put(4, 4);
    resolution.Put(1, 4);
    const uint32_t res = t.Append(resolution.data);
    for (int k = 0; k < directories; ++k) {
        std::vector<RawEntry> entries = GreyEntries(6, 5, 16, 1, 5, 1, block + uint32_t(k * pageBytes), pageBytes);
        entries.insert(entries.begin() + 5, {270, 2, uint32_t(description.size() + 1), text});
        entries.push_back({282, 5, 1, res});
        entries.push_back({283, 5, 1, res});
        if (k > 0)
            entries.erase(entries.begin() + 5); // only the first page has the description
        t.Directory(entries);
    }
    return t.b.data;
}

bool Save(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(LibtiffLayout)
Q_DECLARE_METATYPE(Tiff::Walk)

class TestTiff : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTripEveryType_data();
    void roundTripEveryType();
    void writesTheStackLayout();
    void imageJDescriptionText_data();
    void imageJDescriptionText();
    void readsLibtiffFiles_data();
    void readsLibtiffFiles();
    void reducesColourPagesToRgb();
    void pagesOfDifferentSizes();
    void parsesImageJData_data();
    void parsesImageJData();
    void readsImageJPagesBeyondTheDirectories_data();
    void readsImageJPagesBeyondTheDirectories();
    void truncatedFilesFail_data();
    void truncatedFilesFail();
    void garbageFailsCleanly();
    void rejectsImpossibleSizes_data();
    void rejectsImpossibleSizes();
    void readsPagesInAnyOrderOrAllInOneArena();
    void writerRefusesWhatDoesNotFit();
    void dataIsCountedOnce_data();
    void dataIsCountedOnce();
    void shortcutsReadTheSamePages_data();
    void shortcutsReadTheSamePages();

private:
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void TestTiff::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestTiff::roundTripEveryType_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<Image::Type>("readAs");
    QTest::newRow("8-bit") << Image::BYTE << Image::BYTE;
    QTest::newRow("16-bit") << Image::USHORT << Image::USHORT;
    QTest::newRow("32-bit") << Image::UINT << Image::UINT;
    QTest::newRow("float") << Image::FLOAT << Image::FLOAT;
    QTest::newRow("RGB") << Image::RGB << Image::RGB;
    QTest::newRow("mask") << Image::BOOL << Image::BYTE;
}

void TestTiff::roundTripEveryType()
{
    QFETCH(Image::Type, type);
    QFETCH(Image::Type, readAs);
    const int w = 5, h = 3; // odd sizes: rows and pages of odd byte lengths
    const auto slices = Slices(type, w, h, 3);
    const QString path = Path("roundtrip.tif");
    QVERIFY(WriteOurs(path, slices, 2.5f, "micron") > 0);

    Tiff tiff(path);
    QVERIFY2(tiff.IsOpen(), qPrintable(tiff.GetError()));
    QCOMPARE(tiff.GetNumIfds(), 3u);
    QVERIFY(tiff.IsEqualImageSizes());
    const std::vector<std::unique_ptr<Image>> read = tiff.ReadAllImages();
    QCOMPARE(read.size(), size_t(3));
    QCOMPARE(tiff.GetError(), QString());
    for (int k = 0; k < 3; ++k) {
        const Image& image = *read[size_t(k)];
        QCOMPARE(image.GetType(), readAs);
        QCOMPARE(image.width, w);
        QCOMPARE(image.height, h);
        QCOMPARE(RawBytes(image), RawBytes(*slices[size_t(k)]));
        QCOMPARE(image.GetXResolution(), RATIONAL(1, 4));
        QCOMPARE(image.GetYResolution(), RATIONAL(3, 10));
        QCOMPARE(image.GetResUnit(), std::string("micron"));
    }
    QCOMPARE(tiff.ReadImageJData().value("spacing").toFloat(), 2.5f);
    QCOMPARE(tiff.ReadImageJData().value("unit"), QString("micron"));

    // Other readers see the picture upright (the file's first row is the image's top row) and
    // find nothing to warn about.
    static int warnings;
    warnings = 0;
    const TIFFErrorHandler previous = TIFFSetWarningHandler([](const char*, const char*, va_list) { ++warnings; });
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    QVERIFY(tif);
    QVERIFY(TIFFSetDirectory(tif, 1));
    QByteArray first(int(TIFFScanlineSize(tif)), '\0');
    QVERIFY(TIFFReadScanline(tif, first.data(), 0) == 1);
    const int rowBytes = w * slices[1]->GetBytesPerPixel();
    QCOMPARE(first, RawBytes(*slices[1]).mid((h - 1) * rowBytes, rowBytes));
    uint16_t samples = 0, bits = 0;
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    QCOMPARE(int(samples), type == Image::RGB ? 3 : 1);
    QCOMPARE(int(bits), 8 * (type == Image::RGB ? 1 : slices[0]->GetBytesPerPixel()));
    float xres = 0, yres = 0;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
    QCOMPARE(QPointF(xres, yres), QPointF(4.0, 10.0f / 3.0f));
    TIFFClose(tif);
    TIFFSetWarningHandler(previous);
    QCOMPARE(warnings, 0);
}

void TestTiff::writesTheStackLayout()
{
    // Two 8-bit slices of 3 x 2 pixels, 0.5 micron per pixel, spacing 2.
    std::vector<std::unique_ptr<Image>> slices;
    for (int k = 0; k < 2; ++k) {
        slices.push_back(Image::FromType(3, 2, Image::BYTE, RATIONAL(1, 2), RATIONAL(1, 2), "micron"));
        for (int i = 0; i < 6; ++i)
            static_cast<uint8_t*>(slices.back()->GetRawData())[i] = uint8_t(10 * k + i);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    std::vector<const Image*> pointers{slices[0].get(), slices[1].get()};
    const qint64 written = Tiff::WriteStack(buffer, pointers, 2.0f, "micron");
    const QByteArray file = buffer.data();
    QCOMPARE(written, qint64(file.size()));

    // 64 characters, the NUL, and a second NUL for an even length.
    const QByteArray description("ImageJ=1.11a\nimages=2\nslices=2\nunit=micron\nspacing=2\nloop=false\n\0\0", 66);
    QByteArray expected("II\x2a\x00\x08\x00\x00\x00", 8);
    uint32_t offset = 8;
    for (uint32_t k = 0; k < 2; ++k) {
        const uint32_t rows = offset + 2 + 15 * 12 + 4;
        const uint32_t xres = rows + 6, yres = xres + 8, text = yres + 8;
        const uint32_t next = text + uint32_t(description.size());
        Bytes b;
        PutEntries(b,
            {{254, 4, 1, 0}, {256, 4, 1, 3}, {257, 4, 1, 2}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                {270, 2, 65, text}, {273, 4, 1, rows}, {277, 3, 1, 1}, {278, 4, 1, 2}, {279, 4, 1, 6},
                {282, 5, 1, xres}, {283, 5, 1, yres}, {296, 3, 1, 1}, {339, 3, 1, 1}});
        b.Put(k == 0 ? next : 0, 4);
        // Rows from the last image row to the first.
        for (int y = 1; y >= 0; --y)
            for (int x = 0; x < 3; ++x)
                b.data.append(char(10 * k + uint32_t(y) * 3 + uint32_t(x)));
        // Pixels per unit: element 1, then element 0 of 1/2 micron per pixel.
        for (int i = 0; i < 2; ++i) {
            b.Put(2, 4);
            b.Put(1, 4);
        }
        b.data.append(description);
        expected.append(b.data);
        offset = next;
    }
    QCOMPARE(file, expected);
}

void TestTiff::imageJDescriptionText_data()
{
    QTest::addColumn<uint>("count");
    QTest::addColumn<float>("spacing");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("text");
    // A text of even length gets a second NUL, so that the whole has an even length.
    QTest::newRow("padded") << 3u << 2.5f << "micron"
                            << QByteArray(
                                   "ImageJ=1.11a\nimages=3\nslices=3\nunit=micron\nspacing=2.5\nloop=false\n\0\0", 68);
    QTest::newRow("two-digit count")
        << 12u << 0.1f << "nm"
        << QByteArray("ImageJ=1.11a\nimages=12\nslices=12\nunit=nm\nspacing=0.1\nloop=false\n\0\0", 66);
    QTest::newRow("small spacing") << 1u << 1e-5f << "m"
                                   << QByteArray(
                                          "ImageJ=1.11a\nimages=1\nslices=1\nunit=m\nspacing=1e-05\nloop=false\n\0",
                                          64);
    // Control characters in the unit are escaped as ImageJ does, so that the text keeps its lines.
    QTest::newRow("control characters")
        << 1u << 2.5f << QString::fromLatin1("a\0b\nc", 5)
        << QByteArray("ImageJ=1.11a\nimages=1\nslices=1\nunit=a\\u0000b\\u000Ac\nspacing=2.5\nloop=false\n\0", 76);
}

void TestTiff::imageJDescriptionText()
{
    QFETCH(uint, count);
    QFETCH(float, spacing);
    QFETCH(QString, unit);
    QFETCH(QByteArray, text);
    const std::string made = Tiff::Ifd::GenerateImageJData(count, spacing, unit.toStdString());
    QCOMPARE(QByteArray(made.data(), int(made.size())), text);
    QCOMPARE(made.size() % 2, size_t(0));
}

void TestTiff::readsLibtiffFiles_data()
{
    QTest::addColumn<LibtiffLayout>("layout");
    const int u = SAMPLEFORMAT_UINT, s = SAMPLEFORMAT_INT, f = SAMPLEFORMAT_IEEEFP;
    const int none = COMPRESSION_NONE, lzw = COMPRESSION_LZW, zip = COMPRESSION_ADOBE_DEFLATE,
              pack = COMPRESSION_PACKBITS;
    // 4 x 2.5 pixels per cm, 4 rows per strip.
    const auto layout = [](int compression, bool tiled, bool bigTiff, bool bigEndian, int bits, int samples, int format,
                            int predictor, int orientation = ORIENTATION_TOPLEFT) {
        const uint16_t photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
        return LibtiffLayout{uint16_t(compression), tiled, bigTiff, bigEndian, uint16_t(bits), uint16_t(samples),
            uint16_t(format), photometric, uint16_t(predictor), uint16_t(orientation), 4, 4.0f, 2.5f,
            RESUNIT_CENTIMETER, {}, {}};
    };
    QTest::newRow("8-bit strips") << layout(none, false, false, false, 8, 1, u, 1);
    QTest::newRow("16-bit LZW predictor") << layout(lzw, false, false, false, 16, 1, u, 2);
    QTest::newRow("16-bit Deflate tiles") << layout(zip, true, false, false, 16, 1, u, 1);
    QTest::newRow("8-bit PackBits") << layout(pack, false, false, false, 8, 1, u, 1);
    QTest::newRow("32-bit Deflate") << layout(zip, false, false, false, 32, 1, u, 1);
    QTest::newRow("float LZW tiles") << layout(lzw, true, false, false, 32, 1, f, 3);
    QTest::newRow("double") << layout(none, false, false, false, 64, 1, f, 1);
    QTest::newRow("RGB LZW") << layout(lzw, false, false, false, 8, 3, u, 1);
    QTest::newRow("RGB tiles") << layout(none, true, false, false, 8, 3, u, 1);
    QTest::newRow("RGBA") << layout(pack, false, false, false, 8, 4, u, 1);
    QTest::newRow("grey and alpha") << layout(none, false, false, false, 8, 2, u, 1);
    QTest::newRow("BigTIFF LZW tiles") << layout(lzw, true, true, false, 16, 1, u, 1);
    QTest::newRow("BigTIFF strips") << layout(none, false, true, false, 16, 1, u, 1);
    QTest::newRow("big-endian 16-bit") << layout(none, false, false, true, 16, 1, u, 1);
    QTest::newRow("big-endian float") << layout(none, false, false, true, 32, 1, f, 1);
    QTest::newRow("big-endian LZW") << layout(lzw, false, false, true, 16, 1, u, 1);
    QTest::newRow("signed 8-bit") << layout(none, false, false, false, 8, 1, s, 1);
    QTest::newRow("signed 16-bit") << layout(zip, false, false, false, 16, 1, s, 1);
    QTest::newRow("signed 32-bit") << layout(none, false, false, false, 32, 1, s, 1);
    QTest::newRow("bilevel") << layout(pack, false, false, false, 1, 1, u, 1);
    QTest::newRow("bottom-up rows") << layout(none, false, false, false, 16, 1, u, 1, ORIENTATION_BOTLEFT);
}

void TestTiff::readsLibtiffFiles()
{
    QFETCH(LibtiffLayout, layout);
    // 37 x 21: partial tiles at the right and bottom, a short last strip of 4 rows.
    std::vector<QByteArray> expected;
    Image::Type type;
    const QString path = Path("libtiff.tif");
    QVERIFY(WritePages(path, layout, {{37, 21}, {37, 21}}, &expected, &type));

    Tiff tiff(path);
    QVERIFY2(tiff.IsOpen(), qPrintable(tiff.GetError()));
    QCOMPARE(tiff.GetNumIfds(), 2u);
    const auto images = tiff.ReadAllImages();
    QCOMPARE(tiff.GetError(), QString());
    QCOMPARE(images.size(), size_t(2));
    for (int k = 0; k < 2; ++k) {
        QCOMPARE(images[k]->GetType(), type);
        QCOMPARE(images[k]->width, 37);
        QCOMPARE(images[k]->height, 21);
        QCOMPARE(RawBytes(*images[k]), expected[k]);
        QCOMPARE(images[k]->GetXResolution(), RATIONAL(1, 4));
        QCOMPARE(images[k]->GetYResolution(), RATIONAL(2, 5));
        QCOMPARE(images[k]->GetResUnit(), std::string("cm"));
    }
}

void TestTiff::reducesColourPagesToRgb()
{
    // A 4-bit palette page and a 16-bit RGB page, both read as 8-bit RGB.
    LibtiffLayout palette;
    palette.bits = 4;
    palette.photometric = PHOTOMETRIC_PALETTE;
    palette.compression = COMPRESSION_LZW;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 16; ++i)
            palette.colormap.push_back(uint16_t((i * 16 + c * 5) * 257));
    FilePage page;
    page.width = 6;
    page.height = 2;
    page.bytes = QByteArray("\x01\x23\x45\x67\x89\xab", 6); // indices 0..11, top row first
    QVERIFY(WriteLibtiff(Path("palette.tif"), palette, {page}));
    Tiff p(Path("palette.tif"));
    std::unique_ptr<Image> image = p.ReadImage(0);
    QVERIFY2(image, qPrintable(p.GetError()));
    QCOMPARE(image->GetType(), Image::RGB);
    for (int i = 0; i < 12; ++i) {
        const int x = i % 6, y = 1 - i / 6; // the top row is image row 1
        QCOMPARE(image->GetRgb(x, y), QColor(i * 16, i * 16 + 5, i * 16 + 10));
    }

    LibtiffLayout rgb16;
    rgb16.bits = 16;
    rgb16.samples = 3;
    rgb16.photometric = PHOTOMETRIC_RGB;
    FilePage page16;
    page16.width = 2;
    page16.height = 1;
    const uint16_t values[] = {0x1234, 0xABCD, 0x00FF, 0xFF00, 0x8080, 0x7F01};
    page16.bytes = QByteArray(reinterpret_cast<const char*>(values), sizeof values);
    QVERIFY(WriteLibtiff(Path("rgb16.tif"), rgb16, {page16}));
    Tiff t(Path("rgb16.tif"));
    image = t.ReadImage(0);
    QVERIFY2(image, qPrintable(t.GetError()));
    QCOMPARE(image->GetType(), Image::RGB);
    // Each channel is rounded to the nearest 8-bit level.
    for (int x = 0; x < 2; ++x) {
        const auto level = [&values, x](int c) { return int(std::lround(values[x * 3 + c] / 257.0)); };
        QCOMPARE(image->GetRgb(x, 0), QColor(level(0), level(1), level(2)));
    }
}

void TestTiff::pagesOfDifferentSizes()
{
    LibtiffLayout layout;
    layout.bits = 16;
    layout.compression = COMPRESSION_LZW;
    const uint32_t sizes[][2] = {{10, 5}, {7, 9}, {10, 5}};
    std::vector<QByteArray> expected;
    QVERIFY(WritePages(Path("sizes.tif"), layout, {{10, 5}, {7, 9}, {10, 5}}, &expected));
    Tiff tiff(Path("sizes.tif"));
    QVERIFY(tiff.IsOpen());
    QVERIFY(!tiff.IsEqualImageSizes());
    QCOMPARE(tiff.GetNumIfds(), 3u);
    std::vector<uint32_t> calls;
    const auto images = tiff.ReadAllImages([&calls](uint32_t k) { calls.push_back(k); });
    QCOMPARE(calls, std::vector<uint32_t>({0, 1, 2}));
    QCOMPARE(images.size(), size_t(3));
    for (uint32_t k = 0; k < 3; ++k) {
        QCOMPARE(tiff.GetPageWidth(k), sizes[k][0]);
        QCOMPARE(tiff.GetPageHeight(k), sizes[k][1]);
        QCOMPARE(uint32_t(images[k]->width), sizes[k][0]);
        QCOMPARE(uint32_t(images[k]->height), sizes[k][1]);
        QCOMPARE(RawBytes(*images[k]), expected[k]);
    }
    QCOMPARE(tiff.GetPageWidth(3), 0u);
    QCOMPARE(tiff.GetPageHeight(3), 0u);
    QVERIFY(!tiff.ReadImage(3));
    QCOMPARE(tiff.GetError(), QString("There is no page 4; the file has 3"));
}

void TestTiff::parsesImageJData_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QStringList>("keysAndValues");
    QTest::addColumn<QString>("unit");
    QTest::newRow("ImageJ") << QByteArray("ImageJ=1.53t\nimages=2\nslices=2\nunit=micron\nspacing=0.25\nloop=false\n")
                            << QStringList{"ImageJ", "1.53t", "images", "2", "loop", "false", "slices", "2", "spacing",
                                   "0.25", "unit", "micron"}
                            << "micron";
    QTest::newRow("escaped unit, CRLF") << QByteArray("ImageJ=1.54f\r\nunit=\\u00B5m\r\nmin=0.0\r\nnot a pair\r\n")
                                        << QStringList{"ImageJ", "1.54f", "min", "0.0", "unit", QString::fromUtf8("µm")}
                                        << QString::fromUtf8("µm");
    QTest::newRow("other program") << QByteArray("Acquired with a microscope\nunit=nm\n") << QStringList() << "cm";
    QTest::newRow("no description") << QByteArray() << QStringList() << "cm";
}

void TestTiff::parsesImageJData()
{
    QFETCH(QByteArray, description);
    QFETCH(QStringList, keysAndValues);
    QFETCH(QString, unit);
    LibtiffLayout layout;
    layout.description = description;
    layout.xres = 10.0f;
    layout.yres = 10.0f;
    layout.resUnit = RESUNIT_CENTIMETER; // the ImageJ unit takes precedence
    QVERIFY(WritePages(Path("imagej.tif"), layout, {{3, 2}}));
    Tiff tiff(Path("imagej.tif"));
    const QMap<QString, QString> data = tiff.ReadImageJData();
    QStringList flat;
    for (auto it = data.begin(); it != data.end(); ++it)
        flat << it.key() << it.value();
    QCOMPARE(flat, keysAndValues);
    const std::unique_ptr<Image> image = tiff.ReadImage(0);
    QVERIFY(image);
    QCOMPARE(QString::fromStdString(image->GetResUnit()), unit);
}

void TestTiff::readsImageJPagesBeyondTheDirectories_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("announced");
    QTest::addColumn<int>("held");
    QTest::addColumn<QString>("error");
    QTest::newRow("little-endian 16-bit") << false << 16 << 3 << 3 << QString();
    QTest::newRow("big-endian 16-bit") << true << 16 << 3 << 3 << QString();
    QTest::newRow("8-bit") << false << 8 << 4 << 4 << QString();
    QTest::newRow("truncated") << false << 16 << 3 << 2
                               << "The description announces 3 images, but the file holds only 2 (it may be truncated)";
}

void TestTiff::readsImageJPagesBeyondTheDirectories()
{
    QFETCH(bool, bigEndian);
    QFETCH(int, bits);
    QFETCH(int, announced);
    QFETCH(int, held);
    QFETCH(QString, error);
    // As ImageJ writes stacks over 4 GiB: one directory at 8 and its description, then the pixels
    // of every page up to the end of the file.
    const int w = 5, h = 3, bytes = bits / 8;
    const int pageBytes = w * h * bytes;
    const QByteArray description
        = "ImageJ=1.53t\nimages=" + QByteArray::number(announced) + "\nslices=" + QByteArray::number(announced) + "\n";
    const int entries = 9;
    const int text = 8 + 2 + entries * 12 + 4;
    const int pixels = (text + description.size() + 1 + 1) / 2 * 2;
    Bytes b;
    b.bigEndian = bigEndian;
    b.data = bigEndian ? "MM" : "II";
    b.Put(42, 2);
    b.Put(8, 4);
    PutEntries(b,
        {{256, 3, 1, uint32_t(w)}, {257, 3, 1, uint32_t(h)}, {258, 3, 1, uint32_t(bits)}, {259, 3, 1, 1},
            {262, 3, 1, 1}, {270, 2, uint32_t(description.size() + 1), uint32_t(text)}, {273, 4, 1, uint32_t(pixels)},
            {278, 3, 1, uint32_t(h)}, {279, 4, 1, uint32_t(pageBytes)}});
    b.Put(0, 4);
    b.data.append(description);
    b.data.append('\0');
    while (b.data.size() < pixels)
        b.data.append('\0');
    auto value = [](int page, int row, int x) { return page * 1000 + row * 10 + x; };
    for (int k = 0; k < held; ++k)
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                b.Put(uint64_t(value(k, row, x)) & (bits == 8 ? 0xFF : 0xFFFF), bytes);
    QVERIFY(Save(Path("imagej-big.tif"), b.data));

    Tiff tiff(Path("imagej-big.tif"));
    QVERIFY(tiff.IsOpen());
    QCOMPARE(tiff.GetNumIfds(), uint32_t(held));
    QVERIFY(tiff.IsEqualImageSizes());
    QCOMPARE(tiff.GetError(), error);
    const auto images = tiff.ReadAllImages();
    QCOMPARE(images.size(), size_t(held));
    for (int k = 0; k < held; ++k)
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                QCOMPARE(images[k]->GetUInt(x, h - 1 - row), uint32_t(value(k, row, x) & (bits == 8 ? 0xFF : 0xFFFF)));
}

void TestTiff::truncatedFilesFail_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("ours, 16-bit") << "ours16";
    QTest::newRow("ours, RGB") << "oursrgb";
    QTest::newRow("libtiff LZW") << "lzw";
    QTest::newRow("libtiff BigTIFF tiles") << "bigtiles";
}

void TestTiff::truncatedFilesFail()
{
    QFETCH(QString, source);
    const QString full = Path("full-" + source + ".tif");
    if (source.startsWith("ours")) {
        const auto slices = Slices(source == "ours16" ? Image::USHORT : Image::RGB, 7, 5, 3);
        QVERIFY(WriteOurs(full, slices, 1.5f, "micron") > 0);
    } else {
        LibtiffLayout layout;
        layout.bits = 16;
        layout.compression = COMPRESSION_LZW;
        layout.tiled = source == "bigtiles";
        layout.bigTiff = source == "bigtiles";
        layout.description = "ImageJ=1.53t\nimages=2\n";
        QVERIFY(WritePages(full, layout, {{20, 18}, {20, 18}}));
    }
    QFile f(full);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    {
        Tiff whole(full);
        QCOMPARE(whole.ReadAllImages().size(), size_t(whole.GetNumIfds()));
        QCOMPARE(whole.GetError(), QString());
    }
    // Every cut that loses content is reported; a padding NUL at the very end carries none.
    const int content = bytes.endsWith(QByteArray(2, '\0')) ? bytes.size() - 1 : bytes.size();
    const QString cut = Path("cut.tif");
    for (int length = 0; length < content; ++length) {
        QVERIFY(Save(cut, bytes.left(length)));
        Tiff tiff(cut);
        if (tiff.IsOpen())
            tiff.ReadAllImages();
        QVERIFY2(!tiff.GetError().isEmpty(), qPrintable(QString("%1 of %2 bytes").arg(length).arg(bytes.size())));
    }
}

void TestTiff::garbageFailsCleanly()
{
    QCOMPARE(Tiff(Path("missing.tif")).GetError(), "File not found: " + Path("missing.tif"));
    QVERIFY(!Tiff(Path("missing.tif")).IsOpen());
    QCOMPARE(Tiff(dir.path()).GetError(), "Not a file: " + dir.path());

    // Random bytes behind each kind of header, and valid files with bytes changed at random.
    std::mt19937 random(20240611u);
    const QString path = Path("garbage.tif");
    const QByteArray heads[] = {"", "II*\0", "MM\0*", "II+\0\x08\0\0\0"};
    // Each file is either read whole or refused with a message.
    const auto check = [&path](const QByteArray& bytes) {
        QVERIFY(Save(path, bytes));
        Tiff tiff(path);
        const auto images = tiff.IsOpen() ? tiff.ReadAllImages() : std::vector<std::unique_ptr<Image>>();
        const bool whole = tiff.IsOpen() && images.size() == tiff.GetNumIfds()
            && std::all_of(images.begin(), images.end(), [](const auto& image) { return image != nullptr; });
        QVERIFY(whole || !tiff.GetError().isEmpty());
    };
    for (const QByteArray& head : heads) {
        for (int size : {0, 3, 8, 30, 200, 2000}) {
            QByteArray bytes = head;
            for (int i = 0; i < size; ++i)
                bytes.append(char(random() & 0xFF));
            check(bytes);
        }
    }
    LibtiffLayout layout;
    layout.bits = 16;
    layout.compression = COMPRESSION_LZW;
    QVERIFY(WritePages(Path("valid.tif"), layout, {{12, 10}, {12, 10}, {12, 10}}));
    const auto slices = Slices(Image::RGB, 6, 4, 3);
    QVERIFY(WriteOurs(Path("valid-ours.tif"), slices, 1.0f, "micron") > 0);
    for (const QString& name : {QString("valid.tif"), QString("valid-ours.tif")}) {
        QFile f(Path(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray original = f.readAll();
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = original;
            const int changes = 1 + int(random() % 4);
            for (int c = 0; c < changes; ++c)
                bytes[int(random() % uint32_t(bytes.size()))] = char(random() & 0xFF);
            check(bytes);
        }
    }
}

void TestTiff::rejectsImpossibleSizes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const auto page = [](uint32_t w, uint32_t h, uint16_t bits, uint16_t compression, uint32_t offset, uint32_t count,
                          uint16_t format) {
        return OneDirectory(
            {{256, 4, 1, w}, {257, 4, 1, h}, {258, 3, 1, bits}, {259, 3, 1, compression}, {262, 3, 1, 1},
                {273, 4, 1, offset}, {277, 3, 1, 1}, {278, 4, 1, h}, {279, 4, 1, count}, {339, 3, 1, format}});
    };
    // libtiff replaces the count of a single uncompressed strip by what the size needs.
    QTest::newRow("uncompressed, too few bytes") << page(40000, 40000, 16, 1, 8, 100,
        1) << "Page 1: its data lie beyond the end of the file (the file may be truncated)";
    QTest::newRow("Deflate beyond its ratio")
        << page(30000, 30000, 8, 8, 8, 50, 1) << "Page 1: 30000 x 30000 pixels cannot come from 50 bytes of data";
    QTest::newRow("PackBits beyond its ratio")
        << page(200, 200, 8, 32773, 8, 100, 1) << "Page 1: 200 x 200 pixels cannot come from 100 bytes of data";
    QTest::newRow("over the cap") << page(65535, 65535, 32, 8, 8, 100, 1)
                                  << "Page 1: its size 65535 x 65535 is too large";
    QTest::newRow("beyond the end") << page(4, 4, 8, 1, 5000, 16, 1)
                                    << "Page 1: its data lie beyond the end of the file (the file may be truncated)";
    QTest::newRow("12-bit") << page(4, 4, 12, 1, 8, 24, 1) << "Page 1: 12-bit samples are not supported";
    QTest::newRow("half float") << page(4, 4, 16, 1, 8, 32, 3)
                                << "Page 1: 16-bit floating-point samples are not supported";
    QTest::newRow("complex") << page(4, 4, 32, 1, 8, 64, 6) << "Page 1: sample format 6 is not supported";
}

void TestTiff::rejectsImpossibleSizes()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QVERIFY(Save(Path("hostile.tif"), file));
    Tiff tiff(Path("hostile.tif"));
    QVERIFY(tiff.IsOpen());
    QCOMPARE(tiff.GetNumIfds(), 1u);
    QCOMPARE(tiff.GetError(), error);
    QVERIFY(!tiff.ReadImage(0));
    QCOMPARE(tiff.GetError(), error);
    const auto images = tiff.ReadAllImages();
    QCOMPARE(images.size(), size_t(1));
    QVERIFY(!images[0]);
}

void TestTiff::readsPagesInAnyOrderOrAllInOneArena()
{
    const auto slices = Slices(Image::FLOAT, 9, 7, 4);
    QVERIFY(WriteOurs(Path("arena.tif"), slices, 1.0f, "micron") > 0);
    Tiff tiff(Path("arena.tif"));
    for (uint32_t k : {3u, 1u, 1u, 2u, 0u, 3u}) {
        const std::unique_ptr<Image> image = tiff.ReadImage(k);
        QVERIFY2(image, qPrintable(tiff.GetError()));
        QCOMPARE(RawBytes(*image), RawBytes(*slices[k]));
    }
    std::vector<uint32_t> calls;
    const auto images = tiff.ReadAllImages([&calls](uint32_t k) { calls.push_back(k); });
    QCOMPARE(calls, std::vector<uint32_t>({0, 1, 2, 3}));
    QCOMPARE(images.size(), size_t(4));
    const auto* base = static_cast<const unsigned char*>(images[0]->GetRawData());
    for (size_t k = 0; k < 4; ++k) {
        QCOMPARE(static_cast<const unsigned char*>(images[k]->GetRawData()), base + k * 9 * 7 * 4);
        QCOMPARE(RawBytes(*images[k]), RawBytes(*slices[k]));
    }
    // Copies are independent of the shared allocation.
    const std::unique_ptr<Image> copy = images[1]->Copy();
    QVERIFY(copy->GetRawData() != images[1]->GetRawData());
    QCOMPARE(RawBytes(*copy), RawBytes(*slices[1]));
    tiff.Close();
    QVERIFY(!tiff.IsOpen());
    QCOMPARE(tiff.GetNumIfds(), 0u);
    QVERIFY(!tiff.ReadImage(0));
}

void TestTiff::writerRefusesWhatDoesNotFit()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    QCOMPARE(Tiff::WriteStack(buffer, {}, 1.0f, "px", &error), qint64(-1));
    QCOMPARE(error, QString("There are no slices to write"));

    // 65 references to one 64 MiB slice: just over 4 GiB, refused before anything is written.
    const std::unique_ptr<Image> big = Image::FromType(4096, 4096, Image::UINT, RATIONAL(1, 1), RATIONAL(1, 1), "px");
    const std::vector<const Image*> slices(65, big.get());
    const std::string description = Tiff::Ifd::GenerateImageJData(65, 1.0f, "px");
    const qint64 needed = 8 + 65 * (2 + 15 * 12 + 4 + 4096 * 4096 * 4 + 16 + qint64(description.size()));
    QCOMPARE(Tiff::WriteStack(buffer, slices, 1.0f, "px", &error), qint64(-1));
    QCOMPARE(error, QString("The stack needs %1 bytes, more than the 4 GiB that this TIFF file can hold").arg(needed));
    QCOMPARE(buffer.size(), qint64(0));
}

void TestTiff::dataIsCountedOnce_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("readable");
    QTest::addColumn<QString>("error");
    {
        // 1024 PackBits strips of 4 rows of 4096 zeros, all pointing at one 256-byte block.
        TiffBuilder t;
        QByteArray runs;
        for (int i = 0; i < 128; ++i)
            runs.append("\x81\x00", 2); // 128 zeros each
        const uint32_t block = t.Append(runs);
        const uint32_t offsets = t.Longs(std::vector<uint32_t>(1024, block));
        const uint32_t counts = t.Longs(std::vector<uint32_t>(1024, uint32_t(runs.size())));
        t.Directory(GreyEntries(4096, 4096, 8, 32773, 4, 1024, offsets, counts));
        QTest::newRow("strips of one page share a block")
            << t.b.data << 0 << "Page 1: 4096 x 4096 pixels cannot come from 256 bytes of data";
    }
    {
        // 200 directories of 1024 x 1024 share one table of 16 Deflate strips of 64 KiB zeros.
        TiffBuilder t;
        std::vector<uint32_t> offsets, counts;
        for (int s = 0; s < 16; ++s) {
            const QByteArray zipped = qCompress(QByteArray(65536, '\0'), 9).mid(4); // the zlib stream
            offsets.push_back(t.Append(zipped));
            counts.push_back(uint32_t(zipped.size()));
        }
        const uint32_t offsetTable = t.Longs(offsets);
        const uint32_t countTable = t.Longs(counts);
        for (int k = 0; k < 200; ++k)
            t.Directory(GreyEntries(1024, 1024, 8, 8, 64, 16, offsetTable, countTable));
        QTest::newRow("directories share a strip table")
            << t.b.data << 1
            << "Page 200: 1024 x 1024 pixels cannot come from the 0 bytes of data that no earlier page uses";
    }
    {
        // Two uncompressed pages on the same bytes.
        TiffBuilder t;
        const uint32_t block = t.Append(QByteArray(64 * 64, '\x05'));
        t.Directory(GreyEntries(64, 64, 8, 1, 64, 1, block, 64 * 64));
        t.Directory(GreyEntries(64, 64, 8, 1, 64, 1, block, 64 * 64));
        QTest::newRow("uncompressed pages on one block")
            << t.b.data << 1 << "Page 2: 64 x 64 pixels cannot come from the 0 bytes of data that no earlier page uses";
    }
}

void TestTiff::dataIsCountedOnce()
{
    QFETCH(QByteArray, file);
    QFETCH(int, readable);
    QFETCH(QString, error);
    QVERIFY(file.size() < 64 * 1024);
    QVERIFY(Save(Path("shared.tif"), file));
    Tiff tiff(Path("shared.tif"));
    QVERIFY(tiff.IsOpen());
    QCOMPARE(tiff.GetError(), error);
    const auto images = tiff.ReadAllImages();
    QCOMPARE(images.size(), size_t(tiff.GetNumIfds()));
    QCOMPARE(
        int(std::count_if(images.begin(), images.end(), [](const auto& image) { return image != nullptr; })), readable);
    if (readable > 0)
        QVERIFY(images[0]);
}

void TestTiff::shortcutsReadTheSamePages_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Tiff::Walk>("walk");
    QTest::addColumn<QString>("error");
    QTest::newRow("ImageJ block") << "block" << Tiff::Walk::ImageJBlock << QString();
    QTest::newRow("more images announced than fit")
        << "short block" << Tiff::Walk::Directories
        << "The description announces 6 images, but the file holds only 4 (it may be truncated)";
    QTest::newRow("our layout") << "ours" << Tiff::Walk::Directories << QString();
    QTest::newRow("compressed") << "lzw" << Tiff::Walk::Libtiff << QString();
}

void TestTiff::shortcutsReadTheSamePages()
{
    QFETCH(QString, source);
    QFETCH(Tiff::Walk, walk);
    QFETCH(QString, error);
    const QString path = Path("shortcut.tif");
    if (source == "block") {
        QVERIFY(Save(path, ImageJBlockFile(4, 4, 4)));
    } else if (source == "short block") {
        QVERIFY(Save(path, ImageJBlockFile(6, 4, 4)));
    } else if (source == "ours") {
        QVERIFY(WriteOurs(path, Slices(Image::USHORT, 7, 5, 3), 1.5f, "micron") > 0);
    } else {
        LibtiffLayout layout;
        layout.compression = COMPRESSION_LZW;
        QVERIFY(WritePages(path, layout, {{9, 4}, {9, 4}}));
    }
    Tiff fast(path);
    Tiff full(path, false);
    QCOMPARE(fast.GetWalk(), walk);
    QCOMPARE(full.GetWalk(), Tiff::Walk::Libtiff);
    QCOMPARE(fast.GetNumIfds(), full.GetNumIfds());
    const auto a = fast.ReadAllImages();
    const auto b = full.ReadAllImages();
    QCOMPARE(fast.GetError(), error);
    QCOMPARE(full.GetError(), error);
    QCOMPARE(a.size(), b.size());
    QCOMPARE(fast.ReadImageJData(), full.ReadImageJData());
    for (size_t k = 0; k < a.size(); ++k) {
        QVERIFY(a[k] && b[k]);
        QCOMPARE(RawBytes(*a[k]), RawBytes(*b[k]));
        QCOMPARE(a[k]->GetType(), b[k]->GetType());
        QCOMPARE(a[k]->GetXResolution(), b[k]->GetXResolution());
        QCOMPARE(a[k]->GetYResolution(), b[k]->GetYResolution());
        QCOMPARE(a[k]->GetResUnit(), b[k]->GetResUnit());
        if (source.endsWith("block")) {
            QCOMPARE(a[k]->GetUShort(2, 4), uint16_t(1000 * k + 2)); // file row 0 is the top row
            QCOMPARE(a[k]->GetResUnit(), std::string("nm"));
            QCOMPARE(a[k]->GetXResolution(), RATIONAL(1, 4));
        }
    }
}

LUMIVOX_REGISTER_TEST(TestTiff)
#include "TestTiff.moc"
