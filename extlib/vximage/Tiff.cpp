#include "Tiff.h"

#include "TypedImage.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <tiffio.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// Upper bound for the decoded bytes of one page, whatever the file claims.
constexpr uint64_t kMaxPageBytes = uint64_t(4) << 30;
// Compressed pages may decode to this many bytes more than their ratio allows (tiny pages).
constexpr uint64_t kCompressedSlack = 4096;
// Pages announced by an ImageJ description beyond the file's directories.
constexpr uint64_t kMaxPages = uint64_t(1) << 20;

// How much larger than its compressed bytes a page may decode. Deflate cannot exceed about 1032:1;
// one LZW code of at least 9 bits stands for at most 4096 bytes; a PackBits run of 2 bytes gives
// 128. Other codecs get a generous bound; the hard cap above still holds.
uint64_t MaxRatio(uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 130;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1100;
    case COMPRESSION_LZW:
        return 3700;
    default:
        return 20000;
    }
}

// How the samples of one decoded row become the pixels of the image.
enum class Conversion {
    Copy,       // same bytes, taking every `stride`-th sample
    FlipSign,   // signed 8/16-bit: the order-keeping shift into the unsigned range
    IntToFloat, // signed 32-bit
    DoubleToFloat,
    Rgb,             // 8-bit RGB with extra samples
    Bilevel,         // 1 bit per pixel, 0 black
    BilevelInverted, // 1 bit per pixel, 0 white
};

enum class Method {
    Samples, // strips or tiles decoded by libtiff (or read directly when uncompressed), then converted
    Rgba,    // libtiff's RGBA interface: palette, 16-bit RGB, planar RGB, YCbCr, CMYK
};

QString FromLatin1OrUtf8(const QByteArray& bytes)
{
    const QString utf8 = QString::fromUtf8(bytes);
    if (utf8.contains(QChar::ReplacementCharacter))
        return QString::fromLatin1(bytes);
    return utf8;
}

// ImageJ writes characters beyond ASCII as \uXXXX.
QString UnescapeImageJ(const QString& text)
{
    if (!text.contains(QLatin1String("\\u")))
        return text;
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok && text.mid(i + 2, 4).size() == 4) {
                out += QChar(code);
                i += 5;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QMap<QString, QString> ParseImageJ(const QByteArray& description)
{
    QMap<QString, QString> map;
    if (!description.startsWith("ImageJ="))
        return map;
    static const QRegularExpression lineBreak("[\r\n]");
    const QStringList lines = FromLatin1OrUtf8(description).split(lineBreak);
    for (const QString& line : lines) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!key.isEmpty())
            map.insert(key, UnescapeImageJ(line.mid(eq + 1).trimmed()));
    }
    return map;
}

// The unit of an ImageJ description; empty without one. A unit with control characters (an
// escaped NUL or line break) is refused: "px" is used and `note` says why.
QString ImageJUnit(const QByteArray& description, QString& note)
{
    const QString unit = ParseImageJ(description).value("unit");
    QString shown;
    bool control = false;
    for (const QChar c : unit) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            control = true;
            shown += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        } else {
            shown += c;
        }
    }
    if (!control)
        return unit;
    note = QString("the unit \"%1\" holds control characters; \"px\" is used").arg(shown);
    return "px";
}

int OnLibtiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* sink = static_cast<std::string*>(user);
    if (sink && sink->empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, fmt, ap);
        *sink = text;
        if (module && *module && sink->find(module) == std::string::npos)
            *sink = std::string(module) + ": " + *sink;
    }
    return 1; // handled: nothing reaches stderr
}

int OnLibtiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

void SilenceGlobalHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

// Reverses the order of `rows` rows of `rowBytes` bytes in place.
void ReverseRows(unsigned char* block, size_t rows, size_t rowBytes, std::vector<unsigned char>& scratch)
{
    if (rows < 2)
        return;
    scratch.resize(rowBytes);
    for (size_t i = 0, j = rows - 1; i < j; ++i, --j) {
        unsigned char* a = block + i * rowBytes;
        unsigned char* b = block + j * rowBytes;
        std::memcpy(scratch.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, scratch.data(), rowBytes);
    }
}

void SwapBytes(unsigned char* data, size_t count, int elementBytes)
{
    if (elementBytes == 2) {
        for (size_t i = 0; i < count; ++i)
            std::swap(data[2 * i], data[2 * i + 1]);
    } else if (elementBytes == 4) {
        for (size_t i = 0; i < count; ++i) {
            unsigned char* p = data + 4 * i;
            std::swap(p[0], p[3]);
            std::swap(p[1], p[2]);
        }
    }
}

// The bytes of a directory entry read straight from the file, for checks and exact values that
// libtiff does not give (it hands out resolutions as float).
class RawReader {
public:
    RawReader(int fd, uint64_t fileSize, bool bigEndian) : fd(fd), fileSize(fileSize), bigEndian(bigEndian) { }

    bool Read(uint64_t offset, void* to, size_t bytes) const
    {
        if (offset > fileSize || bytes > fileSize - offset)
            return false;
        auto* p = static_cast<unsigned char*>(to);
        while (bytes > 0) {
            const ssize_t got = pread(fd, p, bytes, off_t(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            p += got;
            offset += uint64_t(got);
            bytes -= size_t(got);
        }
        return true;
    }
    uint64_t Value(const unsigned char* p, int bytes) const
    {
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= uint64_t(p[bigEndian ? bytes - 1 - i : i]) << (8 * i);
        return v;
    }

    int fd;
    uint64_t fileSize;
    bool bigEndian;
};

// One entry of a directory as it stands in the file.
struct RawEntry {
    uint32_t tag = 0;
    uint16_t type = 0;
    uint64_t count = 0;
    uint64_t at = 0;             // where the values are (inside the entry when they fit)
    unsigned char field[8] = {}; // the value field of the entry
    bool inlined = false;
};

struct RawDirectory {
    QString problem;
    bool hasXRes = false;
    bool hasYRes = false;
    uint32_t xres[2] = {0, 1}; // numerator, denominator: pixels per unit
    uint32_t yres[2] = {0, 1};
    uint64_t next = 0; // offset of the following directory; 0 after the last
    std::vector<RawEntry> entries;

    const RawEntry* Find(uint32_t tag) const
    {
        for (const RawEntry& e : entries)
            if (e.tag == tag)
                return &e;
        return nullptr;
    }
};

int TypeBytes(uint64_t type)
{
    switch (type) {
    case TIFF_BYTE:
    case TIFF_ASCII:
    case TIFF_SBYTE:
    case TIFF_UNDEFINED:
        return 1;
    case TIFF_SHORT:
    case TIFF_SSHORT:
        return 2;
    case TIFF_LONG:
    case TIFF_SLONG:
    case TIFF_FLOAT:
    case TIFF_IFD:
        return 4;
    case TIFF_RATIONAL:
    case TIFF_SRATIONAL:
    case TIFF_DOUBLE:
    case TIFF_LONG8:
    case TIFF_SLONG8:
    case TIFF_IFD8:
        return 8;
    default:
        return 0;
    }
}

// Checks that every value of the directory at `offset` lies inside the file, reads the two
// resolutions exactly and keeps the entries and the next directory's offset.
RawDirectory ReadRawDirectory(const RawReader& file, uint64_t offset, bool bigTiff)
{
    RawDirectory dir;
    const int countBytes = bigTiff ? 8 : 2;
    const int entryBytes = bigTiff ? 20 : 12;
    const int inlineBytes = bigTiff ? 8 : 4;
    // Most directories fit in one read of this size: one system call for the entries and the
    // next offset.
    unsigned char first[2 + 24 * 12 + 4];
    const size_t firstBytes
        = size_t(std::min<uint64_t>(sizeof first, offset < file.fileSize ? file.fileSize - offset : 0));
    if (firstBytes < size_t(countBytes) || !file.Read(offset, first, firstBytes)) {
        dir.problem = "the directory lies beyond the end of the file";
        return dir;
    }
    const uint64_t count = file.Value(first, countBytes);
    if (count > 65535 || count * uint64_t(entryBytes) > file.fileSize) {
        dir.problem = "the directory is damaged";
        return dir;
    }
    const size_t tableBytes = size_t(count) * size_t(entryBytes) + size_t(inlineBytes);
    std::vector<unsigned char> table(tableBytes);
    if (size_t(countBytes) + tableBytes <= firstBytes) {
        std::memcpy(table.data(), first + countBytes, tableBytes);
    } else if (!file.Read(offset + uint64_t(countBytes), table.data(), tableBytes)) {
        // The next offset may be cut off at the very end; the entries themselves must be there.
        if (!file.Read(offset + uint64_t(countBytes), table.data(), tableBytes - size_t(inlineBytes))) {
            dir.problem = "the directory lies beyond the end of the file";
            return dir;
        }
        std::memset(table.data() + tableBytes - size_t(inlineBytes), 0, size_t(inlineBytes));
    }
    dir.next = file.Value(table.data() + count * uint64_t(entryBytes), inlineBytes);
    dir.entries.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        const unsigned char* e = table.data() + i * uint64_t(entryBytes);
        const uint32_t tag = uint32_t(file.Value(e, 2));
        const int typeBytes = TypeBytes(file.Value(e + 2, 2));
        if (typeBytes == 0)
            continue; // libtiff ignores entries of unknown type as well
        const uint64_t n = file.Value(e + 4, bigTiff ? 8 : 4);
        const unsigned char* valueField = e + (bigTiff ? 12 : 8);
        if (n > file.fileSize / uint64_t(typeBytes)) {
            dir.problem = QString("the values of tag %1 lie beyond the end of the file").arg(tag);
            continue;
        }
        const uint64_t bytes = n * uint64_t(typeBytes);
        uint64_t at = 0;
        bool inlined = bytes <= uint64_t(inlineBytes);
        if (!inlined) {
            at = file.Value(valueField, inlineBytes);
            if (at > file.fileSize || bytes > file.fileSize - at) {
                if (dir.problem.isEmpty())
                    dir.problem = QString("the values of tag %1 lie beyond the end of the file").arg(tag);
                continue;
            }
        }
        RawEntry entry;
        entry.tag = tag;
        entry.type = uint16_t(file.Value(e + 2, 2));
        entry.count = n;
        entry.at = at;
        entry.inlined = inlined;
        std::memcpy(entry.field, valueField, size_t(inlineBytes));
        dir.entries.push_back(entry);
        if ((tag == TIFFTAG_XRESOLUTION || tag == TIFFTAG_YRESOLUTION) && typeBytes == 8
            && file.Value(e + 2, 2) == TIFF_RATIONAL && n >= 1) {
            unsigned char r[8];
            if (inlined)
                std::memcpy(r, valueField, 8);
            else if (!file.Read(at, r, 8))
                continue;
            uint32_t* target = tag == TIFFTAG_XRESOLUTION ? dir.xres : dir.yres;
            target[0] = uint32_t(file.Value(r, 4));
            target[1] = uint32_t(file.Value(r + 4, 4));
            (tag == TIFFTAG_XRESOLUTION ? dir.hasXRes : dir.hasYRes) = true;
        }
    }
    return dir;
}

// The integer values of an entry of type BYTE, SHORT, LONG or LONG8 (at most `limit` of them);
// false for other types or when they cannot be read.
bool EntryValues(const RawReader& file, const RawEntry& e, std::vector<uint64_t>& out, uint64_t limit)
{
    const int bytes = TypeBytes(e.type);
    if ((e.type != TIFF_BYTE && e.type != TIFF_SHORT && e.type != TIFF_LONG && e.type != TIFF_LONG8) || e.count > limit)
        return false;
    std::vector<unsigned char> raw(size_t(e.count) * size_t(bytes));
    if (e.inlined)
        std::memcpy(raw.data(), e.field, raw.size());
    else if (!file.Read(e.at, raw.data(), raw.size()))
        return false;
    out.resize(size_t(e.count));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = file.Value(raw.data() + i * size_t(bytes), bytes);
    return true;
}

// The single value of an integer entry, `fallback` without the entry; false when it is not one
// integer.
bool EntryValue(const RawReader& file, const RawDirectory& dir, uint32_t tag, uint64_t fallback, uint64_t& value)
{
    const RawEntry* e = dir.Find(tag);
    if (!e) {
        value = fallback;
        return true;
    }
    std::vector<uint64_t> values;
    if (!EntryValues(file, *e, values, 1) || values.size() != 1)
        return false;
    value = values[0];
    return true;
}

// An ASCII entry up to its first NUL.
QByteArray EntryText(const RawReader& file, const RawEntry& e)
{
    if (e.type != TIFF_ASCII || e.count == 0)
        return QByteArray();
    QByteArray text(int(std::min<uint64_t>(e.count, INT_MAX)), '\0');
    if (e.inlined)
        std::memcpy(text.data(), e.field, size_t(text.size()));
    else if (!file.Read(e.at, text.data(), size_t(text.size())))
        return QByteArray();
    const int nul = text.indexOf('\0');
    return nul >= 0 ? text.left(nul) : text;
}

// Pixels per unit (num / den) as the size of one pixel; 1/1 when missing or meaningless.
RATIONAL PixelSize(bool present, const uint32_t* ppu, float libtiffValue)
{
    RATIONAL r(1, 1);
    if (present && ppu[0] > 0 && ppu[1] > 0)
        r = double(ppu[1]) / double(ppu[0]);
    else if (!present && std::isfinite(libtiffValue) && libtiffValue > 0.0f)
        r = 1.0 / double(libtiffValue);
    if (r.Numerator() == 0)
        r = RATIONAL(1, 1);
    return r;
}

// The unit of a page: that of its own ImageJ description, else the first page's, else the TIFF
// resolution unit when the page has a resolution, else "px".
std::string UnitOf(QString unit, const QString& firstUnit, bool hasResolution, bool hasResUnit, uint64_t resUnit)
{
    if (unit.isEmpty())
        unit = firstUnit;
    if (!unit.isEmpty())
        return unit.toStdString();
    if (hasResolution && (resUnit == RESUNIT_INCH || !hasResUnit))
        return "inch";
    if (hasResolution && resUnit == RESUNIT_CENTIMETER)
        return "cm";
    return "px";
}

// The image row of a file row: the file's first row is the top of the picture.
size_t ImageRowOf(bool bottomUp, uint32_t height, uint64_t fileRow)
{
    return bottomUp ? size_t(fileRow) : size_t(height - 1 - fileRow);
}

} // namespace

// What the directory of one page says, gathered once when the file is opened.
struct Tiff::Page {
    uint64_t dirOffset = 0;
    // Uncompressed pages whose rows lie in one block (and the pages of the ImageJ layout) are
    // read from here without going through their directory again.
    bool contiguous = false;
    uint64_t dataOffset = 0;
    bool isVirtual = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    uint16_t samples = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    bool bottomUp = false;  // Orientation says the first row is the bottom row
    uint64_t dataBytes = 0; // compressed bytes of all strips or tiles
    Image::Type type = Image::BYTE;
    Method method = Method::Samples;
    Conversion conversion = Conversion::Copy;
    int stride = 1;  // samples per pixel in one decoded row
    QString problem; // why the page cannot be read
    QString note;    // a damaged part that does not keep the page from being read
    RATIONAL xres{1, 1};
    RATIONAL yres{1, 1};
    std::string unit = "px";

    bool Direct() const { return method == Method::Samples && conversion == Conversion::Copy && stride == 1; }
    size_t OutBytes() const { return size_t(width) * size_t(height) * size_t(Image::BytesPerPixel(type)); }
    // Bytes of one decoded row of one plane (the first plane for planar pages).
    uint64_t FileRowBytes() const
    {
        const uint64_t chunkSamples = planar == PLANARCONFIG_SEPARATE ? 1 : samples;
        return (uint64_t(width) * chunkSamples * bits + 7) / 8;
    }
};

struct Tiff::Impl {
    TIFF* tif = nullptr;
    std::string libtiffError; // filled by the error handler
    uint64_t fileSize = 0;
    bool bigEndian = false;
    bool bigTiff = false;
    std::vector<Page> pages;   // one per directory
    uint64_t virtualPages = 0; // further pages of the ImageJ layout
    uint64_t virtualStart = 0;
    uint64_t virtualBytes = 0;
    QByteArray description; // of the first page
    std::vector<unsigned char> scratch;
    // Byte ranges [start, end) of the file that the data of accepted pages cover, merged: each
    // byte of the file may stand for the pixels of one page only.
    std::map<uint64_t, uint64_t> claimed;
    QByteArray lastDescription;
    QString lastUnit;
    QString lastNote;
    Tiff::Walk walk = Tiff::Walk::Libtiff;

    ~Impl() { CloseFile(); }
    void CloseFile()
    {
        if (tif)
            TIFFClose(tif);
        tif = nullptr;
    }
    uint64_t Count() const { return pages.size() + virtualPages; }
    Page PageAt(uint64_t k) const
    {
        if (k < pages.size())
            return pages[size_t(k)];
        Page p = pages.front();
        p.isVirtual = true;
        p.dirOffset = 0;
        p.contiguous = true;
        p.dataOffset = virtualStart + k * virtualBytes;
        return p;
    }
    QString TakeLibtiffError()
    {
        QString text = QString::fromLocal8Bit(libtiffError.c_str());
        libtiffError.clear();
        return text;
    }

    void Describe(Page& page, const RawReader& raw, const QString& firstUnit);
    // The ImageJ unit of a page's own description (see ImageJUnit); stacks repeat one
    // description on every page, which is parsed once.
    QString PageUnit(const QByteArray& description, QString& note)
    {
        if (description != lastDescription || lastDescription.isNull()) {
            lastNote.clear();
            lastUnit = ImageJUnit(description, lastNote);
            lastDescription = description.isNull() ? QByteArray("") : description;
        }
        if (!lastNote.isEmpty())
            note = lastNote;
        return lastUnit;
    }
    void CheckData(Page& page);
    QString ClaimData(
        std::vector<std::pair<uint64_t, uint64_t>>& ranges, uint64_t decoded, uint64_t ratio, const Page& page);
    bool DescribeSimple(Page& page, const RawReader& raw, const RawDirectory& dir, const QString& firstUnit);
    bool QuickWalk(const RawReader& raw, const QString& firstUnit, uint64_t images);
    bool ImageJBlock(const RawReader& raw, uint64_t next, uint64_t images, const QString& firstUnit);
    void FindImageJPages(QString& error);
    bool Select(const Page& page, QString& why);
    bool Decode(const Page& page, unsigned char* out, QString& why);
    bool ReadRowsDirect(const Page& page, uint64_t offset, uint32_t firstRow, uint32_t rows, unsigned char* out,
        std::vector<unsigned char>& rowScratch, QString& why) const;
    std::vector<QString> ReadPlainPages(const std::vector<Page>& list, unsigned char* base, size_t pageBytes,
        const std::function<void(uint32_t)>& progress) const;
    bool DecodeStrips(const Page& page, unsigned char* out, QString& why);
    bool DecodeTiles(const Page& page, unsigned char* out, QString& why);
    bool DecodeRgba(const Page& page, unsigned char* out, QString& why);
    static void ConvertRow(const Page& page, const unsigned char* src, unsigned char* dst, size_t n);
};

// Converts `n` pixels of one decoded row into pixels of the image's type.
void Tiff::Impl::ConvertRow(const Page& page, const unsigned char* src, unsigned char* dst, size_t n)
{
    const size_t stride = size_t(page.stride);
    switch (page.conversion) {
    case Conversion::Copy: {
        const size_t b = size_t(Image::BytesPerPixel(page.type));
        if (stride == 1) {
            std::memcpy(dst, src, n * b);
        } else {
            for (size_t i = 0; i < n; ++i)
                std::memcpy(dst + i * b, src + i * stride * b, b);
        }
        break;
    }
    case Conversion::FlipSign:
        if (page.bits == 8) {
            for (size_t i = 0; i < n; ++i)
                dst[i] = uint8_t(src[i * stride] ^ 0x80u);
        } else {
            for (size_t i = 0; i < n; ++i) {
                uint16_t v;
                std::memcpy(&v, src + i * stride * 2, 2);
                v ^= 0x8000u;
                std::memcpy(dst + i * 2, &v, 2);
            }
        }
        break;
    case Conversion::IntToFloat:
        for (size_t i = 0; i < n; ++i) {
            int32_t v;
            std::memcpy(&v, src + i * stride * 4, 4);
            const float f = float(v);
            std::memcpy(dst + i * 4, &f, 4);
        }
        break;
    case Conversion::DoubleToFloat:
        for (size_t i = 0; i < n; ++i) {
            double v;
            std::memcpy(&v, src + i * stride * 8, 8);
            const float f = float(v);
            std::memcpy(dst + i * 4, &f, 4);
        }
        break;
    case Conversion::Rgb:
        for (size_t i = 0; i < n; ++i)
            std::memcpy(dst + i * 3, src + i * stride, 3);
        break;
    case Conversion::Bilevel:
    case Conversion::BilevelInverted: {
        const uint8_t one = page.conversion == Conversion::Bilevel ? 255 : 0;
        for (size_t i = 0; i < n; ++i)
            dst[i] = (src[i >> 3] >> (7 - (i & 7))) & 1 ? one : uint8_t(255 - one);
        break;
    }
    }
}

void Tiff::Impl::Describe(Page& page, const RawReader& raw, const QString& firstUnit)
{
    page.dirOffset = TIFFCurrentDirOffset(tif);
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    page.width = w;
    page.height = h;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &page.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &page.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page.planar);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.photometric))
        page.photometric = page.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    page.bottomUp = orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT;
    page.tiled = TIFFIsTiled(tif) != 0;
    if (page.planar != PLANARCONFIG_SEPARATE || page.samples == 1)
        page.planar = PLANARCONFIG_CONTIG;
    if (page.format == SAMPLEFORMAT_VOID)
        page.format = SAMPLEFORMAT_UINT;

    // Resolution and unit.
    const RawDirectory dir = ReadRawDirectory(raw, page.dirOffset, bigTiff);
    float fx = 0.0f, fy = 0.0f;
    const bool hasX = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &fx) != 0;
    const bool hasY = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &fy) != 0;
    if (hasX || dir.hasXRes) {
        page.xres = PixelSize(dir.hasXRes, dir.xres, fx);
        page.yres = (hasY || dir.hasYRes) ? PixelSize(dir.hasYRes, dir.yres, fy) : page.xres;
    }
    uint16_t resUnit = RESUNIT_NONE;
    const bool hasUnit = TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &resUnit) != 0;
    const char* text = nullptr;
    const QByteArray own = TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text ? QByteArray(text) : QByteArray();
    page.note = dir.problem;
    page.unit = UnitOf(PageUnit(own, page.note), firstUnit, hasX || dir.hasXRes, hasUnit, resUnit);

    // What the page becomes.
    const uint16_t bits = page.bits;
    const bool uint = page.format == SAMPLEFORMAT_UINT;
    const bool sint = page.format == SAMPLEFORMAT_INT;
    const bool ieee = page.format == SAMPLEFORMAT_IEEEFP;
    page.stride = page.planar == PLANARCONFIG_SEPARATE ? 1 : int(page.samples);
    const bool grey = page.photometric == PHOTOMETRIC_MINISBLACK || page.photometric == PHOTOMETRIC_MINISWHITE;
    QString unsupported;
    if (page.samples == 0 || bits == 0) {
        unsupported = "it has no samples";
    } else if (grey) {
        page.conversion = Conversion::Copy;
        if (bits == 1 && uint && page.samples == 1) {
            page.type = Image::BYTE;
            page.conversion
                = page.photometric == PHOTOMETRIC_MINISWHITE ? Conversion::BilevelInverted : Conversion::Bilevel;
        } else if (bits == 8 && (uint || sint)) {
            page.type = Image::BYTE;
            page.conversion = sint ? Conversion::FlipSign : Conversion::Copy;
        } else if (bits == 16 && (uint || sint)) {
            page.type = Image::USHORT;
            page.conversion = sint ? Conversion::FlipSign : Conversion::Copy;
        } else if (bits == 32 && uint) {
            page.type = Image::UINT;
        } else if (bits == 32 && (sint || ieee)) {
            page.type = Image::FLOAT;
            page.conversion = sint ? Conversion::IntToFloat : Conversion::Copy;
        } else if (bits == 64 && ieee) {
            page.type = Image::FLOAT;
            page.conversion = Conversion::DoubleToFloat;
        } else if (ieee) {
            unsupported = QString("%1-bit floating-point samples are not supported").arg(bits);
        } else if (!uint && !sint) {
            unsupported = QString("sample format %1 is not supported").arg(page.format);
        } else {
            unsupported = QString("%1-bit samples are not supported").arg(bits);
        }
    } else if (page.photometric == PHOTOMETRIC_RGB && bits == 8 && uint && page.samples >= 3
        && page.planar == PLANARCONFIG_CONTIG) {
        page.type = Image::RGB;
        page.conversion = page.samples == 3 ? Conversion::Copy : Conversion::Rgb;
        page.stride = page.samples == 3 ? 1 : int(page.samples);
    } else if (ieee) {
        unsupported = "floating-point colour pages are not supported";
    } else {
        char message[1024] = "";
        if (TIFFRGBAImageOK(tif, message)) {
            page.type = Image::RGB;
            page.method = Method::Rgba;
        } else {
            unsupported = QString("its colour layout is not supported (%1)").arg(QString::fromLocal8Bit(message));
        }
    }
    libtiffError.clear(); // TIFFRGBAImageOK reports through the handler too
    if (!unsupported.isEmpty()) {
        page.problem = unsupported;
        return;
    }
    if (page.compression != COMPRESSION_NONE && !TIFFIsCODECConfigured(page.compression)) {
        const TIFFCodec* codec = TIFFFindCODEC(page.compression);
        page.problem = QString("its compression (%1) is not available")
                           .arg(codec ? QString(codec->name) : QString::number(page.compression));
        return;
    }
    CheckData(page);
}

// Sizes against what the file holds, before anything is allocated for the page.
void Tiff::Impl::CheckData(Page& page)
{
    if (page.width == 0 || page.height == 0) {
        page.problem = "it has no pixels";
        return;
    }
    if (page.width > uint32_t(INT32_MAX) || page.height > uint32_t(INT32_MAX)
        || uint64_t(page.width) * page.height > uint64_t(INT32_MAX)) {
        page.problem = QString("its size %1 x %2 is too large").arg(page.width).arg(page.height);
        return;
    }
    const uint64_t planes = page.planar == PLANARCONFIG_SEPARATE ? page.samples : 1;
    const uint64_t decoded = page.FileRowBytes() * page.height * planes;
    uint64_t buffers = decoded; // what libtiff decodes, tiles padded
    const uint32_t striles = page.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t needed = 0;
    if (page.tiled) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        if (tw == 0 || th == 0) {
            page.problem = "its tile size is 0";
            return;
        }
        const uint64_t tileBytes = (uint64_t(tw) * (planes > 1 ? 1 : page.samples) * page.bits + 7) / 8 * th;
        needed = (uint64_t(page.width) + tw - 1) / tw * ((uint64_t(page.height) + th - 1) / th) * planes;
        if (tileBytes > kMaxPageBytes) {
            page.problem = QString("its tiles of %1 x %2 pixels are too large").arg(tw).arg(th);
            return;
        }
        buffers = std::max(decoded, tileBytes * needed);
    } else {
        uint32_t rps = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
        if (rps == 0 || rps > page.height)
            rps = page.height;
        needed = (uint64_t(page.height) + rps - 1) / rps * planes;
    }
    // Palette, YCbCr and other colour pages are decoded through a raster of 4 bytes per pixel.
    const uint64_t raster = page.method == Method::Rgba ? uint64_t(page.width) * page.height * 4 : 0;
    if (decoded > kMaxPageBytes || page.OutBytes() > kMaxPageBytes || buffers > kMaxPageBytes
        || raster > kMaxPageBytes) {
        page.problem = QString("its size %1 x %2 is too large").arg(page.width).arg(page.height);
        return;
    }
    if (striles < needed) {
        page.problem = QString("it has %1 of its %2 %3").arg(striles).arg(needed).arg(page.tiled ? "tiles" : "strips");
        return;
    }
    uint64_t total = 0;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    ranges.reserve(striles);
    for (uint32_t s = 0; s < striles; ++s) {
        int err = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, s, &err);
        const uint64_t count = err ? 0 : TIFFGetStrileByteCountWithErr(tif, s, &err);
        if (err || (count == 0 && s < needed)) {
            page.problem = QString("%1 %2 is missing").arg(page.tiled ? "tile" : "strip").arg(s);
            return;
        }
        if (offset > fileSize || count > fileSize - offset) {
            page.problem = QString("its data lie beyond the end of the file (the file may be truncated)");
            return;
        }
        total += count;
        ranges.emplace_back(offset, offset + count);
    }
    page.dataBytes = total;
    if (page.compression == COMPRESSION_NONE && !page.tiled && page.Direct() && page.bits >= 8) {
        uint32_t rps = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
        if (rps == 0 || rps > page.height)
            rps = page.height;
        const uint64_t rowBytes = page.FileRowBytes();
        const uint64_t start = TIFFGetStrileOffset(tif, 0);
        bool block = start + rowBytes * page.height <= fileSize;
        for (uint32_t s = 0; block && uint64_t(s) * rps < page.height; ++s) {
            const uint64_t rows = std::min<uint64_t>(rps, page.height - uint64_t(s) * rps);
            block = TIFFGetStrileOffset(tif, s) == start + uint64_t(s) * rps * rowBytes
                && TIFFGetStrileByteCount(tif, s) >= rows * rowBytes;
        }
        page.contiguous = block;
        page.dataOffset = start;
    }
    page.problem = ClaimData(ranges, buffers, MaxRatio(page.compression), page);
}

// Checks that the data of a page, each byte counted once and none that an earlier page already
// stands on, can decode to `decoded` bytes; takes its bytes when they can. Without this, a few
// kilobytes whose strips (or whose directories' strip tables) all point at one block would
// decode into gigabytes. The reason against the page, or empty.
QString Tiff::Impl::ClaimData(
    std::vector<std::pair<uint64_t, uint64_t>>& ranges, uint64_t decoded, uint64_t ratio, const Page& page)
{
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<uint64_t, uint64_t>> merged;
    for (const auto& r : ranges) {
        if (r.first >= r.second)
            continue;
        if (!merged.empty() && r.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    uint64_t own = 0;
    uint64_t fresh = 0;
    for (const auto& r : merged) {
        own += r.second - r.first;
        uint64_t taken = 0;
        auto it = claimed.upper_bound(r.first);
        if (it != claimed.begin())
            --it;
        for (; it != claimed.end() && it->first < r.second; ++it)
            if (it->second > r.first)
                taken += std::min(it->second, r.second) - std::max(it->first, r.first);
        fresh += r.second - r.first - taken;
    }
    const auto tooMuch = [decoded, ratio](uint64_t bytes) {
        return ratio == 1 ? bytes < decoded : decoded > ratio * bytes + kCompressedSlack;
    };
    if (tooMuch(own))
        return QString("%1 x %2 pixels cannot come from %3 bytes of data").arg(page.width).arg(page.height).arg(own);
    if (tooMuch(fresh))
        return QString("%1 x %2 pixels cannot come from the %3 bytes of data that no earlier page uses")
            .arg(page.width)
            .arg(page.height)
            .arg(fresh);
    for (const auto& r : merged) {
        uint64_t first = r.first;
        uint64_t last = r.second;
        auto it = claimed.upper_bound(first);
        if (it != claimed.begin() && std::prev(it)->second >= first)
            --it;
        while (it != claimed.end() && it->first <= last) {
            first = std::min(first, it->first);
            last = std::max(last, it->second);
            it = claimed.erase(it);
        }
        claimed.emplace(first, last);
    }
    return QString();
}

// Describes a page from its raw directory alone when it is of the plain kind that most stacks
// are (uncompressed grey or 8-bit RGB strips, top row first, rows in one block), as libtiff's
// walk would describe it; false for any other page, which is left to libtiff.
bool Tiff::Impl::DescribeSimple(Page& page, const RawReader& raw, const RawDirectory& dir, const QString& firstUnit)
{
    if (!dir.problem.isEmpty())
        return false;
    for (uint32_t tag : {TIFFTAG_TILEWIDTH, TIFFTAG_TILELENGTH, TIFFTAG_TILEOFFSETS, TIFFTAG_TILEBYTECOUNTS,
             TIFFTAG_COLORMAP, TIFFTAG_EXTRASAMPLES})
        if (dir.Find(tag))
            return false;
    uint64_t w = 0, h = 0, samples = 1, compression = 1, planar = 1, orientation = 1, rps = 0, resUnit = 2;
    if (!EntryValue(raw, dir, TIFFTAG_IMAGEWIDTH, 0, w) || !EntryValue(raw, dir, TIFFTAG_IMAGELENGTH, 0, h)
        || !EntryValue(raw, dir, TIFFTAG_SAMPLESPERPIXEL, 1, samples)
        || !EntryValue(raw, dir, TIFFTAG_COMPRESSION, 1, compression)
        || !EntryValue(raw, dir, TIFFTAG_PLANARCONFIG, 1, planar)
        || !EntryValue(raw, dir, TIFFTAG_ORIENTATION, 1, orientation)
        || !EntryValue(raw, dir, TIFFTAG_ROWSPERSTRIP, UINT32_MAX, rps)
        || !EntryValue(raw, dir, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH, resUnit))
        return false;
    uint64_t photometric = 0;
    if (!EntryValue(
            raw, dir, TIFFTAG_PHOTOMETRIC, samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK, photometric))
        return false;
    // BitsPerSample and SampleFormat hold one value per sample; all must agree.
    const auto perSample = [&](uint32_t tag, uint64_t fallback, uint64_t& value) {
        const RawEntry* e = dir.Find(tag);
        std::vector<uint64_t> values;
        if (!e) {
            value = fallback;
            return true;
        }
        if (!EntryValues(raw, *e, values, 8) || values.empty())
            return false;
        value = values[0];
        return std::all_of(values.begin(), values.end(), [&](uint64_t v) { return v == value; });
    };
    uint64_t bits = 1, format = SAMPLEFORMAT_UINT;
    if (!perSample(TIFFTAG_BITSPERSAMPLE, 1, bits) || !perSample(TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT, format))
        return false;
    if (format == SAMPLEFORMAT_VOID)
        format = SAMPLEFORMAT_UINT;
    if (compression != COMPRESSION_NONE || orientation != ORIENTATION_TOPLEFT)
        return false;
    Image::Type type = Image::BYTE;
    const bool grey = (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) && samples == 1;
    if (grey && format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16 || bits == 32))
        type = bits == 8 ? Image::BYTE : bits == 16 ? Image::USHORT : Image::UINT;
    else if (grey && format == SAMPLEFORMAT_IEEEFP && bits == 32)
        type = Image::FLOAT;
    else if (photometric == PHOTOMETRIC_RGB && samples == 3 && bits == 8 && format == SAMPLEFORMAT_UINT
        && planar == PLANARCONFIG_CONTIG)
        type = Image::RGB;
    else
        return false;
    if (w == 0 || h == 0 || w > uint64_t(INT32_MAX) || h > uint64_t(INT32_MAX) || w * h > uint64_t(INT32_MAX))
        return false;
    // Resolutions of another type than RATIONAL are left to libtiff's conversion.
    for (uint32_t tag : {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION}) {
        const RawEntry* e = dir.Find(tag);
        if (e && (e->type != TIFF_RATIONAL || e->count != 1))
            return false;
    }
    if (rps == 0 || rps > h)
        rps = h;
    const uint64_t strips = (h + rps - 1) / rps;
    const RawEntry* offsetsEntry = dir.Find(TIFFTAG_STRIPOFFSETS);
    const RawEntry* countsEntry = dir.Find(TIFFTAG_STRIPBYTECOUNTS);
    std::vector<uint64_t> offsets, counts;
    if (!offsetsEntry || !countsEntry || offsetsEntry->count != strips || countsEntry->count != strips
        || !EntryValues(raw, *offsetsEntry, offsets, strips) || !EntryValues(raw, *countsEntry, counts, strips))
        return false;

    page.width = uint32_t(w);
    page.height = uint32_t(h);
    page.bits = uint16_t(bits);
    page.samples = uint16_t(samples);
    page.format = uint16_t(format);
    page.photometric = uint16_t(photometric);
    page.type = type;
    if (page.OutBytes() > kMaxPageBytes)
        return false;
    const uint64_t rowBytes = page.FileRowBytes();
    const uint64_t start = offsets[0];
    if (start > fileSize || rowBytes * h > fileSize - start)
        return false;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    ranges.reserve(size_t(strips));
    uint64_t total = 0;
    for (uint64_t k = 0; k < strips; ++k) {
        const uint64_t rows = std::min<uint64_t>(rps, h - k * rps);
        if (offsets[k] != start + k * rps * rowBytes || counts[k] < rows * rowBytes
            || counts[k] > fileSize - offsets[k])
            return false;
        ranges.emplace_back(offsets[k], offsets[k] + counts[k]);
        total += counts[k];
    }
    page.contiguous = true;
    page.dataOffset = start;
    page.dataBytes = total;
    const RawEntry* text = dir.Find(TIFFTAG_IMAGEDESCRIPTION);
    page.xres = PixelSize(dir.hasXRes, dir.xres, 0.0f);
    page.yres = dir.hasYRes ? PixelSize(true, dir.yres, 0.0f) : page.xres;
    if (!dir.hasXRes)
        page.xres = page.yres = RATIONAL(1, 1);
    page.unit = UnitOf(PageUnit(text ? EntryText(raw, *text) : QByteArray(), page.note), firstUnit, dir.hasXRes,
        dir.Find(TIFFTAG_RESOLUTIONUNIT) != nullptr, resUnit);
    page.problem = ClaimData(ranges, rowBytes * h, 1, page);
    return true;
}

// Walks the directories with our own parser while every page is of the plain kind; false (with
// nothing kept) at the first page that is not, so that libtiff walks the file instead.
bool Tiff::Impl::QuickWalk(const RawReader& raw, const QString& firstUnit, uint64_t images)
{
    std::unordered_set<uint64_t> seen;
    uint64_t offset = TIFFCurrentDirOffset(tif);
    const auto giveUp = [this]() {
        pages.clear();
        claimed.clear();
        return false;
    };
    for (;;) {
        if (!seen.insert(offset).second || pages.size() >= kMaxPages)
            return giveUp();
        const RawDirectory dir = ReadRawDirectory(raw, offset, bigTiff);
        Page page;
        page.dirOffset = offset;
        if (!DescribeSimple(page, raw, dir, firstUnit))
            return giveUp();
        pages.push_back(std::move(page));
        if (pages.size() == 1 && ImageJBlock(raw, dir.next, images, firstUnit))
            return true;
        if (dir.next == 0)
            break;
        offset = dir.next;
    }
    walk = Tiff::Walk::Directories;
    return true;
}

// An ImageJ stack whose pages lie one after the other in one block, the first page's rows at its
// start, as ImageJ and tifffile write them: with the first and the last directory in agreement
// (the last one's pixels where the block puts them), the pages in between are taken from the
// block without reading their directories; only the chain of directory offsets is followed.
bool Tiff::Impl::ImageJBlock(const RawReader& raw, uint64_t next, uint64_t images, const QString& firstUnit)
{
    const Page first = pages.front();
    const uint64_t pageBytes = first.FileRowBytes() * first.height;
    const uint64_t start = first.dataOffset;
    if (images < 2 || images > kMaxPages || !first.problem.isEmpty() || !first.note.isEmpty() || !first.contiguous
        || pageBytes == 0 || start > fileSize || images > (fileSize - start) / pageBytes)
        return false;
    const uint64_t end = start + images * pageBytes;
    const int countBytes = bigTiff ? 8 : 2;
    const int entryBytes = bigTiff ? 20 : 12;
    const int nextBytes = bigTiff ? 8 : 4;
    std::vector<uint64_t> offsets{first.dirOffset};
    offsets.reserve(size_t(images));
    while (next != 0) {
        // Directories come in file order, outside the block of pixels.
        if (offsets.size() >= images || next <= offsets.back() || (next < end && next + 2 > start))
            return false;
        unsigned char head[8];
        if (!raw.Read(next, head, size_t(countBytes)))
            return false;
        const uint64_t count = raw.Value(head, countBytes);
        unsigned char link[8];
        if (count > 65535
            || !raw.Read(next + uint64_t(countBytes) + count * uint64_t(entryBytes), link, size_t(nextBytes)))
            return false;
        offsets.push_back(next);
        next = raw.Value(link, nextBytes);
    }
    if (offsets.size() != images)
        return false;
    const RawDirectory lastDir = ReadRawDirectory(raw, offsets.back(), bigTiff);
    Page last;
    const std::map<uint64_t, uint64_t> before = claimed;
    if (!DescribeSimple(last, raw, lastDir, firstUnit) || !last.problem.isEmpty() || !last.note.isEmpty()
        || last.width != first.width || last.height != first.height || last.type != first.type
        || last.dataOffset != start + (images - 1) * pageBytes || !(last.xres == first.xres)
        || !(last.yres == first.yres) || last.unit != first.unit) {
        claimed = before;
        return false;
    }
    pages.resize(size_t(images), first);
    for (size_t k = 1; k < pages.size(); ++k) {
        pages[k].dirOffset = offsets[k];
        pages[k].dataOffset = start + k * pageBytes;
    }
    walk = Tiff::Walk::ImageJBlock;
    return true;
}

// ImageJ saves stacks over 4 GiB with one directory: the description announces all images, and
// the pages follow the first page's pixels without gaps.
void Tiff::Impl::FindImageJPages(QString& error)
{
    const QMap<QString, QString> data = ParseImageJ(description);
    bool ok = false;
    const qulonglong images = data.value("images").toULongLong(&ok);
    if (!ok || images <= pages.size() || pages.empty())
        return;
    const Page& first = pages.front();
    if (!first.problem.isEmpty() || !first.contiguous)
        return;
    const uint64_t pageBytes = first.FileRowBytes() * first.height;
    const uint64_t start = first.dataOffset;
    if (pageBytes == 0)
        return;
    // Directories after the first must agree with that layout.
    for (size_t k = 1; k < pages.size(); ++k) {
        const Page& p = pages[k];
        if (p.width != first.width || p.height != first.height || p.bits != first.bits || p.samples != first.samples
            || p.type != first.type || !p.contiguous || p.dataOffset != start + k * pageBytes)
            return;
    }
    // The pages run to the end of the file, or to the directory when a writer put it after them.
    uint64_t end = fileSize;
    for (const Page& p : pages)
        if (p.dirOffset >= start)
            end = std::min(end, p.dirOffset);
    const uint64_t held = start < end ? (end - start) / pageBytes : 0;
    const uint64_t count = std::min<uint64_t>({uint64_t(images), held, kMaxPages});
    if (held < images)
        error = QString("The description announces %1 images, but the file holds only %2 (it may be truncated)")
                    .arg(images)
                    .arg(std::max<uint64_t>(held, pages.size()));
    else if (count < images)
        error = QString("The description announces %1 images; only the first %2 are read").arg(images).arg(count);
    if (count > pages.size()) {
        virtualStart = start;
        virtualBytes = pageBytes;
        virtualPages = count - pages.size();
    }
}

bool Tiff::Impl::Select(const Page& page, QString& why)
{
    if (page.isVirtual || TIFFCurrentDirOffset(tif) == page.dirOffset)
        return true;
    libtiffError.clear();
    if (!TIFFSetSubDirectory(tif, page.dirOffset)) {
        why = "its directory cannot be read: " + TakeLibtiffError();
        return false;
    }
    return true;
}

// Reads uncompressed rows straight into their places in the image: the file's rows land as one
// block with one read, which is then turned over in place (rows count upward), a strip at a time
// while it is still in the cache. One read per block is about twice as fast as a vector read
// with one piece per row.
bool Tiff::Impl::ReadRowsDirect(const Page& page, uint64_t offset, uint32_t firstRow, uint32_t rows, unsigned char* out,
    std::vector<unsigned char>& rowScratch, QString& why) const
{
    const size_t rowBytes = size_t(page.FileRowBytes());
    const int elementBytes = Image::BytesPerPixel(page.type) == 3 ? 1 : Image::BytesPerPixel(page.type);
    const RawReader file(TIFFFileno(tif), fileSize, bigEndian);
    unsigned char* block = out + (page.bottomUp ? size_t(firstRow) : size_t(page.height - firstRow - rows)) * rowBytes;
    // Pieces of a few MiB, so that turning the rows over stays in the cache.
    const uint32_t piece = uint32_t(std::max<size_t>(1, (size_t(4) << 20) / std::max<size_t>(rowBytes, 1)));
    for (uint32_t done = 0; done < rows;) {
        const uint32_t n = std::min(piece, rows - done);
        unsigned char* to
            = page.bottomUp ? block + size_t(done) * rowBytes : block + size_t(rows - done - n) * rowBytes;
        if (!file.Read(offset + uint64_t(done) * rowBytes, to, size_t(n) * rowBytes)) {
            why = offset + uint64_t(done + n) * rowBytes > fileSize
                ? QString("its data lie beyond the end of the file (the file may be truncated)")
                : QString("its data cannot be read (the file may have changed since it was opened)");
            return false;
        }
        if (!page.bottomUp)
            ReverseRows(to, n, rowBytes, rowScratch);
        if (bigEndian != (Q_BYTE_ORDER == Q_BIG_ENDIAN) && elementBytes > 1)
            SwapBytes(to, size_t(n) * rowBytes / size_t(elementBytes), elementBytes);
        done += n;
    }
    return true;
}

// Pages that are each one plain block of rows, read on two threads: a page is one read into its
// slot, and its rows are turned over while they are still in the cache of the core that read
// them. Progress is reported in order from the calling thread. Returns, per page, why it could
// not be read (empty when it was).
std::vector<QString> Tiff::Impl::ReadPlainPages(const std::vector<Page>& list, unsigned char* base, size_t pageBytes,
    const std::function<void(uint32_t)>& progress) const
{
    std::vector<QString> problems(list.size());
    const auto readEvery = [&](size_t first, bool report) {
        std::vector<unsigned char> rows;
        for (size_t k = first; k < list.size(); k += 2) {
            // The other thread's page k + 1 is read meanwhile.
            for (size_t step = k; report && progress && step < std::min(k + 2, list.size()); ++step)
                progress(uint32_t(step));
            const Page& page = list[k];
            ReadRowsDirect(page, page.dataOffset, 0, page.height, base + k * pageBytes, rows, problems[k]);
        }
    };
    std::thread other;
    try {
        other = std::thread(readEvery, size_t(1), false);
    } catch (const std::system_error&) {
        // No second thread to be had: this one reads the odd pages too, and reports them there.
        readEvery(0, true);
        readEvery(1, false);
        return problems;
    }
    readEvery(0, true);
    if (other.joinable())
        other.join();
    return problems;
}

bool Tiff::Impl::DecodeStrips(const Page& page, unsigned char* out, QString& why)
{
    uint32_t rps = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > page.height)
        rps = page.height;
    const uint32_t strips = (page.height + rps - 1) / rps; // of the first plane
    const size_t outRow = size_t(page.width) * size_t(Image::BytesPerPixel(page.type));
    const size_t fileRow = size_t(page.FileRowBytes());
    const bool direct = page.Direct() && fileRow == outRow;
    std::vector<unsigned char> temp;
    if (!direct)
        temp.resize(fileRow * std::min(rps, page.height));
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t r0 = s * rps;
        const uint32_t n = std::min(rps, page.height - r0);
        if (direct && page.compression == COMPRESSION_NONE) {
            if (TIFFGetStrileByteCount(tif, s) < uint64_t(n) * fileRow) {
                why = QString("strip %1 is too short").arg(s);
                return false;
            }
            if (!ReadRowsDirect(page, TIFFGetStrileOffset(tif, s), r0, n, out, scratch, why))
                return false;
            continue;
        }
        libtiffError.clear();
        const tmsize_t want = tmsize_t(size_t(n) * fileRow);
        if (direct) {
            // Decode in place; the strip's rows land as one block that is then turned over.
            unsigned char* block = out + (page.bottomUp ? size_t(r0) : size_t(page.height - r0 - n)) * outRow;
            if (TIFFReadEncodedStrip(tif, s, block, want) != want) {
                why = QString("strip %1 cannot be decoded: %2").arg(s).arg(TakeLibtiffError());
                return false;
            }
            if (!page.bottomUp)
                ReverseRows(block, n, outRow, scratch);
        } else {
            if (TIFFReadEncodedStrip(tif, s, temp.data(), want) != want) {
                why = QString("strip %1 cannot be decoded: %2").arg(s).arg(TakeLibtiffError());
                return false;
            }
            for (uint32_t i = 0; i < n; ++i)
                ConvertRow(page, temp.data() + size_t(i) * fileRow,
                    out + ImageRowOf(page.bottomUp, page.height, uint64_t(r0) + i) * outRow, page.width);
        }
    }
    return true;
}

bool Tiff::Impl::DecodeTiles(const Page& page, unsigned char* out, QString& why)
{
    uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    const tmsize_t tileBytes = TIFFTileSize(tif);
    const tmsize_t tileRow = TIFFTileRowSize(tif);
    if (tw == 0 || th == 0 || tileBytes <= 0 || tileRow <= 0) {
        why = "its tile size is invalid";
        return false;
    }
    const int outBpp = Image::BytesPerPixel(page.type);
    const size_t outRow = size_t(page.width) * size_t(outBpp);
    std::vector<unsigned char> temp(static_cast<size_t>(tileBytes));
    for (uint32_t y = 0; y < page.height; y += th) {
        for (uint32_t x = 0; x < page.width; x += tw) {
            const uint32_t tile = TIFFComputeTile(tif, x, y, 0, 0);
            libtiffError.clear();
            if (TIFFReadEncodedTile(tif, tile, temp.data(), tileBytes) != tileBytes) {
                why = QString("tile %1 cannot be decoded: %2").arg(tile).arg(TakeLibtiffError());
                return false;
            }
            const uint32_t rows = std::min(th, page.height - y);
            const uint32_t cols = std::min(tw, page.width - x);
            for (uint32_t j = 0; j < rows; ++j)
                ConvertRow(page, temp.data() + size_t(j) * size_t(tileRow),
                    out + ImageRowOf(page.bottomUp, page.height, uint64_t(y) + j) * outRow + size_t(x) * outBpp, cols);
        }
    }
    return true;
}

bool Tiff::Impl::DecodeRgba(const Page& page, unsigned char* out, QString& why)
{
    const size_t pixels = size_t(page.width) * page.height;
    std::vector<uint32_t> raster;
    try {
        raster.resize(pixels);
    } catch (const std::bad_alloc&) {
        why = "there is not enough memory";
        return false;
    }
    libtiffError.clear();
    // Bottom-left orientation: raster row 0 is the bottom row, as in our images.
    if (!TIFFReadRGBAImageOriented(tif, page.width, page.height, raster.data(), ORIENTATION_BOTLEFT, 1)) {
        why = "it cannot be decoded: " + TakeLibtiffError();
        return false;
    }
    for (size_t i = 0; i < pixels; ++i) {
        out[3 * i] = uint8_t(TIFFGetR(raster[i]));
        out[3 * i + 1] = uint8_t(TIFFGetG(raster[i]));
        out[3 * i + 2] = uint8_t(TIFFGetB(raster[i]));
    }
    return true;
}

bool Tiff::Impl::Decode(const Page& page, unsigned char* out, QString& why)
{
    if (!page.problem.isEmpty()) {
        why = page.problem;
        return false;
    }
    if (page.contiguous)
        return ReadRowsDirect(page, page.dataOffset, 0, page.height, out, scratch, why);
    if (!Select(page, why))
        return false;
    if (page.method == Method::Rgba)
        return DecodeRgba(page, out, why);
    return page.tiled ? DecodeTiles(page, out, why) : DecodeStrips(page, out, why);
}

// --- Tiff --------------------------------------------------------------------------------------

Tiff::Tiff(const QString& path, bool shortcuts) : impl(std::make_unique<Impl>())
{
    SilenceGlobalHandlers();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        error = "File not found: " + path;
        return;
    }
    if (!info.isFile()) {
        error = "Not a file: " + path;
        return;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnLibtiffError, &impl->libtiffError);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnLibtiffWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(1) << 30);
    // "c": whole uncompressed strips, as they are in the file (no chopping into small strips).
    impl->tif = TIFFOpenExt(QFile::encodeName(path).constData(), "rc", options);
    TIFFOpenOptionsFree(options);
    if (!impl->tif) {
        const QString why = impl->TakeLibtiffError();
        error = "Not a readable TIFF file" + (why.isEmpty() ? QString() : ": " + why);
        return;
    }
    struct stat st { };
    if (fstat(TIFFFileno(impl->tif), &st) != 0) {
        error = "Cannot read " + path;
        impl->CloseFile();
        return;
    }
    impl->fileSize = uint64_t(st.st_size);
    impl->bigTiff = TIFFIsBigTIFF(impl->tif) != 0;
    impl->bigEndian = TIFFIsBigEndian(impl->tif) != 0;
    const RawReader raw(TIFFFileno(impl->tif), impl->fileSize, impl->bigEndian);

    if (!impl->libtiffError.empty())
        error = "Page 1: " + impl->TakeLibtiffError();
    const char* text = nullptr;
    if (TIFFGetField(impl->tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text)
        impl->description = QByteArray(text);
    QString unitNote;
    const QString firstUnit = ImageJUnit(impl->description, unitNote);
    const uint64_t images = ParseImageJ(impl->description).value("images").toULongLong();

    // Plain stacks are walked with our own parser: one read per directory instead of libtiff's
    // full directory reading.
    if (shortcuts && impl->QuickWalk(raw, firstUnit, images)) {
        for (size_t k = 0; k < impl->pages.size(); ++k) {
            const Page& page = impl->pages[k];
            if (!page.note.isEmpty())
                error = QString("Page %1: %2").arg(k + 1).arg(page.note);
            if (!page.problem.isEmpty())
                error = QString("Page %1: %2").arg(k + 1).arg(page.problem);
        }
        impl->FindImageJPages(error);
        return;
    }

    // Every directory once, in order, remembering where it is (reading page k later jumps there).
    for (;;) {
        Page page;
        impl->Describe(page, raw, firstUnit);
        impl->pages.push_back(std::move(page));
        const Page& added = impl->pages.back();
        if (!added.note.isEmpty())
            error = QString("Page %1: %2").arg(impl->pages.size()).arg(added.note);
        if (!added.problem.isEmpty())
            error = QString("Page %1: %2").arg(impl->pages.size()).arg(added.problem);
        if (!impl->libtiffError.empty())
            error = QString("Page %1: %2").arg(impl->pages.size()).arg(impl->TakeLibtiffError());
        if (TIFFLastDirectory(impl->tif))
            break;
        if (!TIFFReadDirectory(impl->tif)) {
            const QString why = impl->TakeLibtiffError();
            error = QString("The directory of page %1 cannot be read%2; the file has been read up to page %3")
                        .arg(impl->pages.size() + 1)
                        .arg(why.isEmpty() ? QString() : ": " + why)
                        .arg(impl->pages.size());
            break;
        }
    }
    impl->FindImageJPages(error);
}

Tiff::~Tiff() = default;

bool Tiff::IsOpen() const
{
    return impl && impl->tif;
}

Tiff::Walk Tiff::GetWalk() const
{
    return impl->walk;
}

uint32_t Tiff::GetNumIfds() const
{
    return IsOpen() ? uint32_t(std::min<uint64_t>(impl->Count(), UINT32_MAX)) : 0;
}

uint32_t Tiff::GetPageWidth(uint32_t k) const
{
    return IsOpen() && k < impl->Count() ? impl->PageAt(k).width : 0;
}

uint32_t Tiff::GetPageHeight(uint32_t k) const
{
    return IsOpen() && k < impl->Count() ? impl->PageAt(k).height : 0;
}

bool Tiff::IsEqualImageSizes() const
{
    if (!IsOpen())
        return false;
    for (const Page& p : impl->pages)
        if (p.width != impl->pages.front().width || p.height != impl->pages.front().height)
            return false;
    return true;
}

std::unique_ptr<Image> Tiff::ReadImage(uint32_t k)
{
    if (!IsOpen()) {
        error = "The file is not open";
        return nullptr;
    }
    if (k >= impl->Count()) {
        error = QString("There is no page %1; the file has %2").arg(uint64_t(k) + 1).arg(impl->Count());
        return nullptr;
    }
    const Page page = impl->PageAt(k);
    if (!page.problem.isEmpty()) {
        error = QString("Page %1: %2").arg(uint64_t(k) + 1).arg(page.problem);
        return nullptr;
    }
    PixelBuffer buffer;
    try {
        buffer = PixelBuffer(page.OutBytes());
    } catch (const std::bad_alloc&) {
        error = QString("Page %1: there is not enough memory for %2 bytes").arg(uint64_t(k) + 1).arg(page.OutBytes());
        return nullptr;
    }
    QString why;
    if (!impl->Decode(page, buffer.Data(), why)) {
        error = QString("Page %1: %2").arg(uint64_t(k) + 1).arg(why);
        return nullptr;
    }
    return Image::FromBuffer(
        int(page.width), int(page.height), page.type, std::move(buffer), page.xres, page.yres, page.unit);
}

std::vector<std::unique_ptr<Image>> Tiff::ReadAllImages(const std::function<void(uint32_t)>& progress)
{
    std::vector<std::unique_ptr<Image>> images;
    if (!IsOpen()) {
        error = "The file is not open";
        return images;
    }
    const uint64_t count = impl->Count();
    // The pages that can be read; when they share one size and type, they share one allocation.
    uint64_t readable = 0;
    const Page* first = nullptr;
    bool equal = true;
    for (const Page& p : impl->pages) {
        if (!p.problem.isEmpty())
            continue;
        ++readable;
        if (!first)
            first = &p;
        equal = equal && p.width == first->width && p.height == first->height && p.type == first->type;
    }
    readable += impl->virtualPages;
    equal = equal && readable > 1;
    std::shared_ptr<unsigned char> arena;
    const size_t pageBytes = first ? first->OutBytes() : 0;
    if (equal) {
        if (pageBytes > 0 && readable > uint64_t(SIZE_MAX) / pageBytes) {
            error = "The stack is too large for the memory";
            return images;
        }
        try {
            arena = PixelBuffer::AllocateArena(size_t(readable) * pageBytes);
        } catch (const std::bad_alloc&) {
            error = QString("There is not enough memory for %1 pages of %2 x %3 pixels")
                        .arg(readable)
                        .arg(first->width)
                        .arg(first->height);
            return images;
        }
    }
    // A page that cannot be read leaves a null entry; the others are read all the same.
    images.reserve(size_t(std::min<uint64_t>(count, impl->pages.size() + kMaxPages)));
    if (equal && readable == count && std::thread::hardware_concurrency() > 1) {
        std::vector<Page> list;
        list.reserve(size_t(count));
        for (uint64_t k = 0; k < count && (list.empty() || list.back().contiguous); ++k)
            list.push_back(impl->PageAt(k));
        if (list.size() == count && list.back().contiguous) {
            const std::vector<QString> problems = impl->ReadPlainPages(list, arena.get(), pageBytes, progress);
            for (size_t k = 0; k < list.size(); ++k) {
                const Page& page = list[k];
                if (!problems[k].isEmpty()) {
                    error = QString("Page %1: %2").arg(k + 1).arg(problems[k]);
                    images.push_back(nullptr);
                    continue;
                }
                images.push_back(Image::FromBuffer(int(page.width), int(page.height), page.type,
                    PixelBuffer(arena, k * pageBytes, pageBytes), page.xres, page.yres, page.unit));
            }
            return images;
        }
    }
    size_t slot = 0;
    for (uint64_t k = 0; k < count; ++k) {
        if (progress)
            progress(uint32_t(k));
        const Page page = impl->PageAt(k);
        if (!equal || !page.problem.isEmpty()) {
            images.push_back(ReadImage(uint32_t(k)));
            continue;
        }
        PixelBuffer window(arena, slot * pageBytes, pageBytes);
        ++slot;
        QString why;
        if (!impl->Decode(page, window.Data(), why)) {
            error = QString("Page %1: %2").arg(k + 1).arg(why);
            images.push_back(nullptr);
            continue;
        }
        images.push_back(Image::FromBuffer(
            int(page.width), int(page.height), page.type, std::move(window), page.xres, page.yres, page.unit));
    }
    return images;
}

QMap<QString, QString> Tiff::ReadImageJData() const
{
    return impl ? ParseImageJ(impl->description) : QMap<QString, QString>();
}

void Tiff::Close()
{
    if (impl) {
        impl->CloseFile();
        impl->pages.clear();
        impl->virtualPages = 0;
        impl->description.clear();
    }
}
