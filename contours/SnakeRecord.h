#pragma once

#include "Point.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

// The active contour record (".acr"): a 32-byte header "Active contour record 1.0.0.000v" and the
// contours of one sequence, each its slice index and its nodes (x, y). Version 1.0.0.0005 is
// written; 1.0.0.0005, 1.0.0.0004 and 1.0.0.0003 are read. Numbers are little-endian.
namespace SnakeRecord {

struct Contour {
    uint32_t slice = 0;
    std::vector<Point> nodes;
};

struct Contents {
    uint32_t firstSlice = 0xFFFFFFFFu; // the smallest slice read; stays 0xFFFFFFFF without contours
    std::vector<Contour> contours;     // slices firstSlice, firstSlice + 1, ... in this order
};

// A contour of more nodes than this cannot be read back: readers take the low 16 bits of the
// node count.
constexpr uint32_t MaxNodes = 65535;

// Reads the record at `path`. On failure `error` holds the message and `contents` is empty.
bool Read(const QString& path, Contents* contents, QString* error);
// The same from an open device positioned at the header; `path` only names the file in messages.
bool Parse(QIODevice& device, const QString& path, Contents* contents, QString* error);

// The bytes of a version 1.0.0.0005 record of `contours` in the given order, each with its own
// slice. Empty, with `error` set, when a contour has more than MaxNodes nodes.
QByteArray Encode(const std::vector<Contour>& contours, QString* error);
// Encodes and writes the record to `path` through a temporary file that replaces the old one
// only when complete. Logs "Saving " + name + "..." and "Saved N bytes to " + path + ".". On
// failure `error` holds the message (the caller reports it) and an existing file at `path` is
// left as it was.
bool Write(const QString& path, const QString& name, const std::vector<Contour>& contours, QString* error);

} // namespace SnakeRecord
