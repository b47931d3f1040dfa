#include "surfaces/StlWriter.h"

#include <charconv>

namespace {
constexpr size_t kFlushSize = size_t(4) << 20; // write in pieces of about 4 MB
constexpr size_t kMaxNumberLength = 32;        // "-1.23457e-308" and the like fit easily
} // namespace

StlWriter::StlWriter(const QString& path_, const QString& solidName) : file(path_), path(path_)
{
    if (!file.open(QIODevice::WriteOnly)) {
        error = "Could not open file " + path;
        return;
    }
    open = true;
    buffer.reserve(kFlushSize + 4096);
    buffer += "solid ";
    buffer += solidName.isEmpty() ? std::string("Noname") : solidName.toStdString();
    buffer += '\n';
}

void StlWriter::AppendNumber(std::string& out, double value)
{
    char text[kMaxNumberLength];
    // The general format with precision 6 is defined to print what printf("%.6g") prints.
    const std::to_chars_result r = std::to_chars(text, text + sizeof(text), value, std::chars_format::general, 6);
    out.append(text, r.ptr);
}

void StlWriter::AppendTriple(std::string& out, double x, double y, double z)
{
    AppendNumber(out, x);
    out += ' ';
    AppendNumber(out, y);
    out += ' ';
    AppendNumber(out, z);
}

void StlWriter::AppendVertexLine(std::string_view xyz)
{
    buffer += "   vertex ";
    buffer += xyz;
    buffer += '\n';
}

void StlWriter::AddFacet(const Vec3& normal, std::string_view p, std::string_view q, std::string_view r)
{
    if (!open)
        return;
    buffer += " facet normal ";
    AppendTriple(buffer, normal[0], normal[1], normal[2]);
    buffer += "\n  outer loop\n";
    AppendVertexLine(p);
    AppendVertexLine(q);
    AppendVertexLine(r);
    buffer += "  endloop\n endfacet\n";
    FlushIfFull();
}

void StlWriter::AddFacet(const Vec3& normal, const Vec3& p, const Vec3& q, const Vec3& r)
{
    std::string corners;
    corners.reserve(3 * 3 * 16);
    size_t ends[3];
    const Vec3* points[3] = {&p, &q, &r};
    for (int k = 0; k < 3; ++k) {
        AppendTriple(corners, (*points[k])[0], (*points[k])[1], (*points[k])[2]);
        ends[k] = corners.size();
    }
    const std::string_view all(corners);
    AddFacet(
        normal, all.substr(0, ends[0]), all.substr(ends[0], ends[1] - ends[0]), all.substr(ends[1], ends[2] - ends[1]));
}

void StlWriter::FlushIfFull()
{
    if (buffer.size() >= kFlushSize)
        Flush();
}

void StlWriter::Flush()
{
    if (!buffer.empty() && !failed && file.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
        failed = true;
    buffer.clear();
}

bool StlWriter::Finish()
{
    if (!open)
        return false;
    buffer += "endsolid";
    Flush();
    open = false;
    // A short write (disk full, size limit) can surface only when the last buffered piece goes
    // out, and QSaveFile::commit does not report it: flush first and check.
    if (!failed && !file.flush())
        failed = true;
    if (failed) {
        file.cancelWriting();
        file.commit(); // discards the temporary file
        error = "Could not write file " + path;
        return false;
    }
    if (!file.commit()) {
        error = "Could not write file " + path;
        return false;
    }
    return true;
}

void StlWriter::VertexTexts::Reserve(size_t count, size_t bytesPerVertex)
{
    ends.reserve(count);
    text.reserve(count * bytesPerVertex);
}

void StlWriter::VertexTexts::Add(double x, double y, double z)
{
    AppendTriple(text, x, y, z);
    ends.push_back(text.size());
}
