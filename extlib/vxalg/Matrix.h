#pragma once

#include "MCoords.h"
#include "MVector.h"
#include "MinMax.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class Colormap;
class Point3D;

// A dense matrix of doubles, stored row by row. Y() is the number of rows, X() the number of
// columns; operator[](k) is row k and Item(i, j) the element of row i, column j.
//
// Matrix files (".mat", read by Matrix(path)) are text: one row per line, numbers separated by
// whitespace and/or commas; blank lines and lines starting with '#' are skipped; every row must
// have the same number of columns. A file that cannot be read gives an empty 0 x 0 matrix whose
// GetError() says why.
// Details of the reader: numbers are finite decimals in C notation ("-1.5", "+2", "3e-4"); "nan"
// and "inf" are refused. A comma needs a number on both sides (",," or a comma at the start or end
// of a line is an error). A UTF-8 byte order mark is skipped. Messages name the file and the line
// (counted from 1 over all lines, comments and blank lines included), for example
//   Matrix file "a.mat", line 3: "1.2.3" is not a number
//   Matrix file "a.mat", line 4: 2 numbers, but the first row (line 1) has 3
//   Matrix file "a.mat", line 2: a comma without a number before it   (or: after it)
//   Matrix file "a.mat" holds no numbers
//   Matrix file "a.mat" does not exist        (or: is not a regular file)
// Memory stays within a small multiple of the file size; nothing is allocated from a count.
//
// Dimension mismatches never crash: a product of mismatched matrices is an empty 0 x 0 matrix
// whose GetError() names both sizes, a mismatched matrix-vector product and GetRow / GetColumn
// with an index out of range give an empty MVector.
class Matrix {
public:
    // Result of Eigendecompose: S holds the eigenvalues in descending order; U holds the matching
    // unit eigenvectors as columns (column k belongs to S[k]); V is the same as U (for a symmetric
    // matrix the left and right singular vectors coincide). The three pointers are never null; a
    // failed decomposition leaves S of length 0 and U, V of size 0 x 0.
    //
    // The shape model relies on this order: mode 0 is the largest variance, its slider deforms
    // along column 0 of U, and the model file stores S and U exactly in this order and sign.
    //
    // Sign convention (deterministic, so that the same matrix always gives the same vectors): in
    // every column of U the component of largest magnitude is positive; when several components
    // are equally large (to a relative 1e-9), the first of them (lowest row) is positive.
    // Eigenvectors of a repeated eigenvalue are an orthonormal basis of its eigenspace, chosen by
    // the solver.
    struct SVD {
        std::unique_ptr<MVector> S;
        std::unique_ptr<Matrix> U;
        std::unique_ptr<Matrix> V;
    };

    Matrix() = default;
    Matrix(uint32_t rows, uint32_t columns);                       // zeros
    explicit Matrix(uint32_t n);                                   // n x n zeros
    Matrix(uint32_t rows, uint32_t columns, const double* values); // row by row; zeros for null
    explicit Matrix(const QString& path);

    uint32_t X() const { return columns; }
    uint32_t Y() const { return rows; }
    double* operator[](uint32_t k) { return values.data() + size_t(k) * columns; }
    const double* operator[](uint32_t k) const { return values.data() + size_t(k) * columns; }
    double& Item(uint32_t i, uint32_t j) { return values[size_t(i) * columns + j]; }
    double Item(uint32_t i, uint32_t j) const { return values[size_t(i) * columns + j]; }
    double& Item(const MCoords& c) { return Item(c.i, c.j); }
    double Item(const MCoords& c) const { return Item(c.i, c.j); }
    const double* Data() const { return values.data(); }
    double* Data() { return values.data(); }
    const QString& GetError() const { return error; }

    static Matrix Identity(uint32_t n);

    Matrix operator*(const Matrix& o) const;
    MVector operator*(const MVector& v) const;
    // Transforms a point by a 4 x 4 (affine) or 3 x 3 matrix; for 4 x 4 the point is (x, y, z, 1)
    // and the result is divided by the fourth component when that is neither 0 nor 1. A 3 x 4
    // matrix is an affine transform without the last row. Any other size returns p unchanged.
    // Computed in double precision, rounded to float at the end.
    Point3D operator*(const Point3D& p) const;
    Matrix Transposed() const;

    MVector GetRow(uint32_t k) const;
    MVector GetColumn(uint32_t k) const;
    MinMax<double> GetMinMax() const; // NaN elements are skipped; empty for an empty matrix

    // Eigen decomposition of a symmetric matrix (only the lower triangle is read), through LAPACK's
    // divide-and-conquer solver (dsyevd on OpenBLAS), which works in place on one copy of the matrix.
    // Empty result for a matrix that is not square or empty, larger than 32000 x 32000, holds a
    // non-finite value in its lower triangle, or when the solver fails or memory runs out.
    SVD Eigendecompose() const;

    // scale * transpose * this: the X() x X() symmetric matrix of the summed products d d^T of the
    // rows d, built with BLAS (dsyrk) on the lower triangle and mirrored. Zeros for a matrix
    // without rows; an empty matrix with GetError() when the result cannot be held.
    Matrix Gram(double scale = 1.0) const;
    // The sample covariance of the rows (one observation per row, one variable per column): each
    // row minus the mean row, then Gram(1 / (Y() - 1)). Fewer than 2 rows give an empty matrix
    // with GetError() "A covariance needs at least 2 samples, not <Y()>".
    Matrix Covariance() const;

    // A picture of the values: one pixel per element, column j to the right, row 0 at the top,
    // coloured by the colour map over the map's range (Format_ARGB32; NaN elements are fully
    // transparent). A null image for an empty matrix.
    QImage ToQImage(const Colormap& colormap) const;

private:
    uint32_t rows = 0;
    uint32_t columns = 0;
    std::vector<double> values;
    QString error;
};
