#include "contours/SnakeRecord.h"

#include "model/Log.h"

#include "Data.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace SnakeRecord {

namespace {

const QByteArray Signature("Active contour record");
const QByteArray Version5("1.0.0.0005");
const QByteArray Version4("1.0.0.0004");
const QByteArray Version3("1.0.0.0003");
const QByteArray LineEnd("\r\n");
const QByteArray SectionEnd("snen");
const QByteArray FileEnd("eof");
constexpr int HeaderSize = 32;
constexpr int VersionOffset = 22;
constexpr int VersionSize = 10;

const QString EndOfSection = QStringLiteral("Unexpected end of section");

// Reads a record from a random-access device. Every count is checked against the bytes that are
// really left before anything is allocated or looped over, so a damaged count cannot make the
// reader allocate more than the file holds.
class Reader {
public:
    explicit Reader(QIODevice& device) : device(device) { }

    qint64 Left() const { return std::max<qint64>(0, device.size() - device.pos()); }

    // Exactly n bytes, or false (nothing is read) when fewer are left.
    bool Take(qint64 n, QByteArray* bytes)
    {
        if (n < 0 || n > Left())
            return false;
        *bytes = device.read(n);
        return bytes->size() == n;
    }
    bool UShort(uint16_t* value)
    {
        QByteArray b;
        if (!Take(2, &b))
            return false;
        *value = Data::UShort(reinterpret_cast<const unsigned char*>(b.constData()));
        return true;
    }
    bool UInt(uint32_t* value)
    {
        QByteArray b;
        if (!Take(4, &b))
            return false;
        *value = Data::UInt(reinterpret_cast<const unsigned char*>(b.constData()));
        return true;
    }

private:
    QIODevice& device;
};

// The nodes of one contour: `count` pairs of floats, x then y.
bool ReadNodes(Reader& reader, uint32_t slice, uint32_t count, std::vector<Point>* nodes, QString* error)
{
    QByteArray bytes;
    if (!reader.Take(qint64(count) * 8, &bytes)) {
        *error = EndOfSection;
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    nodes->resize(count);
    for (uint32_t k = 0; k < count; ++k, p += 8) {
        const float x = Data::Float(p);
        const float y = Data::Float(p + 4);
        // Nodes that are not numbers cannot be drawn, filled or meshed.
        if (!std::isfinite(x) || !std::isfinite(y)) {
            *error = "Bad node coordinates in the contour of slice " + QString::number(slice);
            return false;
        }
        (*nodes)[k] = Point(x, y);
    }
    return true;
}

bool ExpectLineEnd(Reader& reader, QString* error)
{
    QByteArray bytes;
    if (!reader.Take(2, &bytes)) {
        *error = EndOfSection;
        return false;
    }
    if (bytes != LineEnd) {
        *error = "Expected end of line, but received " + QString::fromLatin1(bytes);
        return false;
    }
    return true;
}

bool ReadVersion5(Reader& reader, std::vector<Contour>* contours, QString* error)
{
    uint32_t count = 0;
    // A contour takes at least its slice and its node count (8 bytes).
    if (!reader.UInt(&count) || qint64(count) * 8 > reader.Left()) {
        *error = EndOfSection;
        return false;
    }
    contours->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        Contour contour;
        uint32_t nodes = 0;
        if (!reader.UInt(&contour.slice) || !reader.UInt(&nodes)) {
            *error = EndOfSection;
            return false;
        }
        // Only the low 16 bits of the node count are meaningful in a record.
        if (!ReadNodes(reader, contour.slice, nodes & 0xFFFFu, &contour.nodes, error))
            return false;
        contours->push_back(std::move(contour));
    }
    return true;
}

bool ReadVersion3Or4(Reader& reader, bool isVersion3, std::vector<Contour>* contours, QString* error)
{
    if (!ExpectLineEnd(reader, error))
        return false;
    uint16_t count = 0;
    if (!reader.UShort(&count)) {
        *error = EndOfSection;
        return false;
    }
    if (!ExpectLineEnd(reader, error))
        return false;
    // A contour takes at least its slice, its node count and its line end (6 bytes).
    if (qint64(count) * 6 > reader.Left()) {
        *error = EndOfSection;
        return false;
    }
    contours->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t slice = 0;
        uint16_t nodes = 0;
        if (!reader.UShort(&slice) || !reader.UShort(&nodes)) {
            *error = EndOfSection;
            return false;
        }
        Contour contour;
        contour.slice = slice;
        if (!ReadNodes(reader, slice, nodes, &contour.nodes, error) || !ExpectLineEnd(reader, error))
            return false;
        contours->push_back(std::move(contour));
    }
    QByteArray bytes;
    if (!reader.Take(4, &bytes) || bytes != SectionEnd) {
        *error = EndOfSection;
        return false;
    }
    if (isVersion3) {
        if (!reader.Take(3, &bytes) || !reader.Take(3, &bytes)) {
            *error = EndOfSection;
            return false;
        }
        if (bytes != FileEnd) {
            *error = "Expected end of file, but received " + QString::fromLatin1(bytes);
            return false;
        }
    }
    return true;
}

// Records are meant to list consecutive ascending slices. Contours in another order are sorted by
// slice, so a record written backwards still reads; a slice given twice, or a slice missing
// inside the run, is refused, because a sequence holds exactly one contour per slice of a
// contiguous run and guessing which contour is meant would silently change the segmentation.
bool Arrange(Contents* contents, QString* error)
{
    auto& list = contents->contours;
    std::stable_sort(list.begin(), list.end(), [](const Contour& a, const Contour& b) { return a.slice < b.slice; });
    for (size_t i = 1; i < list.size(); ++i) {
        const uint32_t previous = list[i - 1].slice;
        if (list[i].slice == previous) {
            *error = "Slice " + QString::number(previous) + " has two contours";
            return false;
        }
        if (list[i].slice != previous + 1) {
            *error = "Slice " + QString::number(previous + 1) + " has no contour";
            return false;
        }
    }
    contents->firstSlice = list.empty() ? 0xFFFFFFFFu : list.front().slice;
    return true;
}

} // namespace

bool Parse(QIODevice& device, const QString& path, Contents* contents, QString* error)
{
    *contents = Contents();
    error->clear();
    Reader reader(device);
    const QByteArray header = device.read(HeaderSize);
    if (header.size() < Signature.size() || !header.startsWith(Signature)) {
        *error = "Could not open file " + path;
        return false;
    }
    // Byte 21 separates the signature from the version; writers have put other bytes there.
    if (header.size() < HeaderSize) {
        *error = EndOfSection;
        return false;
    }
    const QByteArray version = header.mid(VersionOffset, VersionSize);
    bool ok = false;
    if (version == Version5)
        ok = ReadVersion5(reader, &contents->contours, error);
    else if (version == Version4 || version == Version3)
        ok = ReadVersion3Or4(reader, version == Version3, &contents->contours, error);
    else
        *error = "Bad version: " + QString::fromLatin1(version);
    if (ok)
        ok = Arrange(contents, error);
    if (!ok)
        *contents = Contents();
    return ok;
}

bool Read(const QString& path, Contents* contents, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *contents = Contents();
        *error = QStringLiteral("File not found");
        return false;
    }
    return Parse(file, path, contents, error);
}

QByteArray Encode(const std::vector<Contour>& contours, QString* error)
{
    error->clear();
    // A contour the reader cannot take back is refused rather than reduced: dropping nodes would
    // change the outline without the user knowing, and contours this large are never produced by
    // the processing (node spacing keeps them far smaller).
    qint64 size = HeaderSize + 4;
    for (const Contour& contour : contours) {
        if (contour.nodes.size() > MaxNodes) {
            *error = "The contour of slice " + QString::number(contour.slice) + " has "
                + QString::number(contour.nodes.size()) + " nodes; a record holds at most " + QString::number(MaxNodes);
            return QByteArray();
        }
        size += 8 + qint64(contour.nodes.size()) * 8;
    }
    if (size > qint64(std::numeric_limits<int>::max())) {
        *error = QStringLiteral("The contours are too large for one record");
        return QByteArray();
    }
    QByteArray bytes(int(size), '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    const QByteArray header = Signature + ' ' + Version5;
    std::copy(header.begin(), header.end(), p);
    p += HeaderSize;
    p += Data::ToBytes(p, uint32_t(contours.size()));
    for (const Contour& contour : contours) {
        p += Data::ToBytes(p, contour.slice);
        p += Data::ToBytes(p, uint32_t(contour.nodes.size()));
        for (const Point& node : contour.nodes) {
            p += Data::ToBytes(p, node.x);
            p += Data::ToBytes(p, node.y);
        }
    }
    return bytes;
}

bool Write(const QString& path, const QString& name, const std::vector<Contour>& contours, QString* error)
{
    const QByteArray bytes = Encode(contours, error);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = "Could not open file " + path;
        return false;
    }
    Log::Output("Saving " + name + "...");
    // An uncommitted save file is discarded, leaving the previous record in place.
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = "Could not write file " + path;
        return false;
    }
    Log::Output("Saved " + QString::number(bytes.size()) + " bytes to " + path + ".");
    return true;
}

} // namespace SnakeRecord
