#pragma once

#include <QColor>
#include <QString>
#include <vector>

// Maps values of a range [min, max] to colours by linear interpolation between control points.
//
// File format (".cmp"; text, UTF-8, at most 1 MiB, lines end with LF or CR LF):
//   - '#' starts a comment that runs to the end of the line; blank lines are ignored.
//   - The first line that is not blank or a comment holds exactly the two words "LVXCMAP 1".
//   - Every further line holds one control point, its fields separated by spaces or tabs:
//         position red green blue [alpha]
//     position is a real number in [0, 1] (the fraction of the value range, '.' as decimal
//     point); red, green, blue and alpha are whole numbers 0..255 (alpha defaults to 255).
//   - Positions must not decrease. Two points at the same position make a sharp step: a value
//     exactly there takes the later colour. At least two points are needed.
//   - Values below the first position take the first colour, above the last the last colour.
// Save writes this format (alpha only when it is not 255) and replaces a file only when the new
// content has been written completely.
class Colormap {
public:
    struct Stop {
        double position;
        QColor color;
    };

    Colormap(); // a grey ramp black -> white over [0, 1]
    // A map read from the file; when the file cannot be read the map is empty (IsValid() false,
    // colours black) and GetError() says why.
    explicit Colormap(const QString& path);

    bool IsValid() const { return !stops.empty(); }
    const QString& GetError() const { return error; }

    void SetRange(double min, double max);
    double GetMin() const { return min; }
    double GetMax() const { return max; }

    // Values below the range take the first colour, above it the last; an empty range maps to the first.
    QColor GetColor(double value) const;
    // The same as 0xAARRGGBB, for hot loops: the nearest of 1024 colours precomputed across the range.
    unsigned int GetRgba(double value) const;

    const std::vector<Stop>& GetStops() const { return stops; }
    // Both return false with a message in GetError() when they fail; a failed Load keeps the
    // previous colours, a failed Save the previous file.
    bool Load(const QString& path);
    bool Save(const QString& path) const;

private:
    void BuildTable();

    std::vector<Stop> stops;
    std::vector<unsigned int> table; // 1024 precomputed colours across [0, 1]
    double min = 0.0;
    double max = 1.0;
    mutable QString error; // the last failure of Load or Save
};
