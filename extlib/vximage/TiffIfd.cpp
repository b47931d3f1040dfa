// Writing stacks as little-endian classic TIFF, one page per slice, in this layout:
//
//   header      "II", 42 (u16), 8 (u32: the first directory's offset)
//   per slice, starting at its directory offset O (even):
//     O              entry count (u16) and the entries, 12 bytes each, sorted by tag
//     O + 2 + 12n    offset of the next directory (u32; 0 after the last slice)
//     R = O + 6 + 12n  pixel rows from the image's last row to its first, so that other readers
//                    show the picture upright (P = width x height x bytes per pixel)
//     R + P          x resolution: pixels per unit as two u32 words (element 1, then element 0 of
//                    the image's RATIONAL, which holds units per pixel)
//     R + P + 8      y resolution, the same way
//     R + P + 16     the ImageJ description (NUL-terminated, padded with a second NUL to an even
//                    length L; the entry's count leaves the padding out)
//     R + P + 16 + L one zero byte when P is odd, then for RGB the three BitsPerSample (u16 8, 8, 8)
//
// Entries: NewSubfileType, ImageWidth, ImageLength, BitsPerSample, Compression (1),
// Photometric (1 min-is-black, 2 RGB), ImageDescription, StripOffsets, SamplesPerPixel,
// RowsPerStrip (the height: one strip), StripByteCounts, XResolution, YResolution,
// ResolutionUnit (1: no absolute unit; the description carries it), SampleFormat (1 unsigned,
// 3 float; left out for RGB, where unsigned is the default).

#include "Data.h"
#include "Tiff.h"

#include <QSysInfo>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

enum : uint16_t { kShort = 3, kLong = 4, kAscii = 2, kRational = 5 };
enum : uint16_t {
    kNewSubfileType = 254,
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kImageDescription = 270,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
    kSampleFormat = 339,
};

constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;
constexpr uint64_t kHeaderBytes = 8;

// The shortest text that reads back as the same float, independent of the C locale.
std::string FormatFloat(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool WriteAll(QIODevice& out, const void* data, qint64 bytes)
{
    return out.write(static_cast<const char*>(data), bytes) == bytes;
}

// Pixels per unit: the reverse of the image's units per pixel; 1/1 when the image has none.
void ResolutionWords(const RATIONAL& r, unsigned char* p)
{
    uint32_t pixels = r['d'];
    uint32_t units = r['n'];
    if (pixels == 0 || units == 0)
        pixels = units = 1;
    Data::ToBytes(p, pixels);
    Data::ToBytes(p + 4, units);
}

struct Layout {
    uint64_t entries = 0;
    uint64_t pixels = 0;
    uint64_t description = 0;
    uint64_t extra = 0;
    uint64_t Total() const { return 2 + 12 * entries + 4 + pixels + 16 + description + extra; }
};

Layout LayoutOf(const Image& image, const std::string& description)
{
    const bool rgb = image.GetType() == Image::RGB;
    Layout l;
    l.entries = rgb ? 14 : 15;
    l.pixels
        = uint64_t(std::max(image.width, 0)) * uint64_t(std::max(image.height, 0)) * uint64_t(image.GetBytesPerPixel());
    l.description = description.size();
    l.extra = (l.pixels % 2) + (rgb ? 6 : 0);
    return l;
}

bool WriteRows(QIODevice& out, const Image& image)
{
    const size_t rowBytes = size_t(image.width) * size_t(image.GetBytesPerPixel());
    const auto* pixels = static_cast<const unsigned char*>(image.GetRawData());
    const int elementBytes = image.GetType() == Image::RGB ? 1 : image.GetBytesPerPixel();
    // Rows are gathered into large blocks: one write per few MiB, not one per row.
    const size_t rowsPerBlock = std::max<size_t>(1, (size_t(4) << 20) / std::max<size_t>(rowBytes, 1));
    std::vector<unsigned char> block(std::min(rowsPerBlock, size_t(image.height)) * rowBytes);
    size_t filled = 0;
    for (int y = image.height - 1; y >= 0; --y) {
        const unsigned char* row = pixels + size_t(y) * rowBytes;
        unsigned char* to = block.data() + filled;
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian || elementBytes == 1) {
            std::memcpy(to, row, rowBytes);
        } else {
            // Numbers of the file are little-endian whatever the host is.
            for (size_t i = 0; i < rowBytes; i += size_t(elementBytes)) {
                if (elementBytes == 2) {
                    uint16_t v;
                    std::memcpy(&v, row + i, 2);
                    Data::ToBytes(to + i, v);
                } else {
                    uint32_t v;
                    std::memcpy(&v, row + i, 4);
                    Data::ToBytes(to + i, v);
                }
            }
        }
        filled += rowBytes;
        if (filled == block.size() || y == 0) {
            if (!WriteAll(out, block.data(), qint64(filled)))
                return false;
            filled = 0;
        }
    }
    return true;
}

} // namespace

std::string Tiff::Ifd::GenerateImageJData(uint32_t count, float spacing, const std::string& unit)
{
    // Control characters are escaped as ImageJ escapes them: a raw NUL or line break would end
    // the unit's line or the whole description early, and the spacing after it would be lost.
    std::string escaped;
    for (const char c : unit) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            char text[8];
            std::snprintf(text, sizeof text, "\\u%04X", unsigned(code));
            escaped += text;
        } else {
            escaped += c;
        }
    }
    std::string text = "ImageJ=1.11a\nimages=" + std::to_string(count) + "\nslices=" + std::to_string(count)
        + "\nunit=" + escaped + "\nspacing=" + FormatFloat(spacing) + "\nloop=false\n";
    text.push_back('\0');
    if (text.size() % 2)
        text.push_back('\0');
    return text;
}

uint32_t Tiff::Ifd::SetupFromImage(
    const Image& image, uint32_t count, float spacing, const std::string& unit, uint32_t offset)
{
    entries.clear();
    const std::string description = GenerateImageJData(count, spacing, unit);
    const Layout l = LayoutOf(image, description);
    const Image::Type type = image.GetType();
    threeSamples = type == Image::RGB;
    descriptionSize = uint32_t(l.description);
    extraSize = uint32_t(l.extra);

    const uint64_t rows = uint64_t(offset) + 2 + 12 * l.entries + 4;
    const uint64_t xres = rows + l.pixels;
    const uint64_t yres = xres + 8;
    const uint64_t text = yres + 8;
    const uint64_t bits = text + l.description + (l.pixels % 2);
    const uint64_t next = uint64_t(offset) + l.Total();
    if (next > kMaxFileBytes)
        return 0;

    uint16_t bitsPerSample = 8;
    uint16_t format = 1;
    if (type == Image::USHORT)
        bitsPerSample = 16;
    else if (type == Image::UINT || type == Image::FLOAT)
        bitsPerSample = 32;
    if (type == Image::FLOAT)
        format = 3;
    const auto add = [this](uint16_t tag, uint16_t t, uint32_t n, uint64_t value) {
        entries.push_back(Entry{tag, t, n, uint32_t(value)});
    };
    add(kNewSubfileType, kLong, 1, 0);
    add(kImageWidth, kLong, 1, uint32_t(image.width));
    add(kImageLength, kLong, 1, uint32_t(image.height));
    if (threeSamples)
        add(kBitsPerSample, kShort, 3, bits);
    else
        add(kBitsPerSample, kShort, 1, bitsPerSample);
    add(kCompression, kShort, 1, 1);
    add(kPhotometric, kShort, 1, threeSamples ? 2 : 1);
    // The count covers the text and its NUL; a padding NUL after it would make readers warn.
    add(kImageDescription, kAscii, uint32_t(description.find('\0') + 1), text);
    add(kStripOffsets, kLong, 1, rows);
    add(kSamplesPerPixel, kShort, 1, threeSamples ? 3 : 1);
    add(kRowsPerStrip, kLong, 1, uint32_t(image.height));
    add(kStripByteCounts, kLong, 1, l.pixels);
    add(kXResolution, kRational, 1, xres);
    add(kYResolution, kRational, 1, yres);
    add(kResolutionUnit, kShort, 1, 1);
    if (!threeSamples)
        add(kSampleFormat, kShort, 1, format);
    return uint32_t(next);
}

bool Tiff::Ifd::WriteToFile(QIODevice& out) const
{
    std::vector<unsigned char> bytes(2 + 12 * entries.size());
    unsigned char* p = bytes.data();
    p += Data::ToBytes(p, uint16_t(entries.size()));
    for (const Entry& e : entries) {
        p += Data::ToBytes(p, e.tag);
        p += Data::ToBytes(p, e.type);
        p += Data::ToBytes(p, e.count);
        if (e.type == kShort && e.count == 1) {
            // A short value sits in the first two bytes of the value field.
            p += Data::ToBytes(p, uint16_t(e.value));
            p += Data::ToBytes(p, uint16_t(0));
        } else {
            p += Data::ToBytes(p, e.value);
        }
    }
    return WriteAll(out, bytes.data(), qint64(bytes.size()));
}

bool Tiff::Ifd::WriteExtraValues(QIODevice& out) const
{
    unsigned char bytes[8] = {};
    unsigned char* p = bytes;
    if (extraSize % 2)
        *p++ = 0;
    if (threeSamples)
        for (int i = 0; i < 3; ++i)
            p += Data::ToBytes(p, uint16_t(8));
    return WriteAll(out, bytes, qint64(p - bytes));
}

qint64 Tiff::WriteStack(
    QIODevice& out, const std::vector<const Image*>& slices, float spacing, const std::string& unit, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return qint64(-1);
    };
    if (slices.empty())
        return fail("There are no slices to write");
    if (slices.size() > 0xFFFFFFFFull)
        return fail("There are too many slices");
    const uint32_t count = uint32_t(slices.size());
    // Each page's description names the unit of its own slice.
    const auto unitOf = [&unit](const Image& image) { return image.GetResUnit().empty() ? unit : image.GetResUnit(); };
    uint64_t total = kHeaderBytes;
    for (size_t k = 0; k < slices.size(); ++k) {
        const Image* image = slices[k];
        if (!image || image->width <= 0 || image->height <= 0 || !image->GetRawData())
            return fail(QString("Slice %1 has no pixels").arg(k + 1));
        total += LayoutOf(*image, Ifd::GenerateImageJData(count, spacing, unitOf(*image))).Total();
    }
    if (total > kMaxFileBytes)
        return fail(QString("The stack needs %1 bytes, more than the 4 GiB that this TIFF file can hold").arg(total));

    unsigned char header[8] = {'I', 'I'};
    Data::ToBytes(header + 2, uint16_t(42));
    Data::ToBytes(header + 4, uint32_t(kHeaderBytes));
    if (!WriteAll(out, header, 8))
        return fail("Writing failed: " + out.errorString());
    uint32_t offset = uint32_t(kHeaderBytes);
    for (size_t k = 0; k < slices.size(); ++k) {
        const Image& image = *slices[k];
        const std::string description = Ifd::GenerateImageJData(count, spacing, unitOf(image));
        Ifd ifd;
        const uint32_t next = ifd.SetupFromImage(image, count, spacing, unitOf(image), offset);
        unsigned char words[20];
        Data::ToBytes(words, k + 1 < slices.size() ? next : uint32_t(0));
        ResolutionWords(image.GetXResolution(), words + 4);
        ResolutionWords(image.GetYResolution(), words + 12);
        if (!ifd.WriteToFile(out) || !WriteAll(out, words, 4) || !WriteRows(out, image) || !WriteAll(out, words + 4, 16)
            || !WriteAll(out, description.data(), qint64(description.size())) || !ifd.WriteExtraValues(out))
            return fail("Writing failed: " + out.errorString());
        offset = next;
    }
    return qint64(total);
}
