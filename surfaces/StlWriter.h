#pragma once

#include <QSaveFile>
#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <vector>

// Writes ASCII STL as the program writes it everywhere (contour meshes, surfaces):
//   "solid " + name (or "solid Noname"), then per facet
//   " facet normal nx ny nz" / "  outer loop" / "   vertex x y z" three times / "  endloop" /
//   " endfacet", each line ended by "\n", and finally "endsolid" without a line break.
// Numbers are printed as C's "%g" prints them (6 significant digits, "nan", "inf").
// The text is built in a large buffer and written in big pieces through QSaveFile, so the old
// file at the path stays untouched unless the new one is complete.
class StlWriter {
public:
    using Vec3 = std::array<double, 3>;

    // Opens the file and writes the header. On failure IsOpen() is false and GetError() is
    // "Could not open file " + path.
    StlWriter(const QString& path, const QString& solidName);

    bool IsOpen() const { return open; }
    const QString& GetError() const { return error; }

    void AddFacet(const Vec3& normal, const Vec3& p, const Vec3& q, const Vec3& r);
    // The same with the corners' "x y z" texts already formatted (see VertexTexts).
    void AddFacet(const Vec3& normal, std::string_view p, std::string_view q, std::string_view r);

    // Writes the trailer and replaces the file. False, with GetError() set, when anything failed;
    // the old file is then left as it was.
    bool Finish();

    // Appends `value` as printf("%g") prints it.
    static void AppendNumber(std::string& out, double value);
    // Appends "x y z".
    static void AppendTriple(std::string& out, double x, double y, double z);

    // The "x y z" texts of a mesh's vertices, formatted once and reused by every facet that
    // shares the vertex.
    class VertexTexts {
    public:
        void Reserve(size_t count, size_t bytesPerVertex = 32);
        void Add(double x, double y, double z);
        void Add(const Vec3& p) { Add(p[0], p[1], p[2]); }
        std::string_view Get(size_t index) const
        {
            const size_t begin = index == 0 ? 0 : ends[index - 1];
            return std::string_view(text.data() + begin, ends[index] - begin);
        }
        size_t Size() const { return ends.size(); }

    private:
        std::string text;
        std::vector<size_t> ends;
    };

private:
    void FlushIfFull();
    void Flush();
    void AppendVertexLine(std::string_view xyz);

    QSaveFile file;
    QString path;
    QString error;
    std::string buffer;
    bool open = false;
    bool failed = false;
};
