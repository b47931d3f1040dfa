#include "Matrix.h"

#include "Colormap.h"
#include "Point3D.h"

#include <Eigen/Core>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cblas.h>
#include <charconv>
#include <climits>
#include <cmath>
#include <lapacke.h>
#include <new>

namespace {

using RowMajorMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
using ConstMatrixMap = Eigen::Map<const RowMajorMatrix>;
using MatrixMap = Eigen::Map<RowMajorMatrix>;
using ConstVectorMap = Eigen::Map<const Eigen::VectorXd>;
using VectorMap = Eigen::Map<Eigen::VectorXd>;

// dsyevd with eigenvectors needs 1 + 6n + 2n^2 doubles of workspace, counted in a LAPACK int.
constexpr uint32_t maxEigenOrder = 32000;

// Components whose magnitudes differ by less than this fraction count as equally large when the
// sign of an eigenvector is chosen, so that rounding noise does not decide between them.
constexpr double signTieTolerance = 1e-9;

// Square tiles of this many elements keep both the rows and the columns of a transposition in the
// cache.
constexpr uint32_t transposeTile = 32;

QString SizeText(uint32_t rows, uint32_t columns)
{
    return QStringLiteral("%1 x %2").arg(rows).arg(columns);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads one number that fills the whole token: decimal or scientific notation with an optional
// sign; infinities and NaN are refused, so every stored element is finite.
bool ParseNumber(const char* begin, const char* end, double& value)
{
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && (*begin == '+' || *begin == '-'))
            return false;
    }
    if (begin == end)
        return false;
    const std::from_chars_result r = std::from_chars(begin, end, value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

// The token as it appears in a message: at most 32 bytes, control characters shown as '?'.
QString TokenText(const char* begin, const char* end)
{
    constexpr ptrdiff_t shown = 32;
    QByteArray text(begin, int(std::min(end - begin, shown)));
    for (char& c : text) {
        if ((unsigned char)c < 0x20 || c == 0x7f)
            c = '?';
    }
    return QString::fromUtf8(text) + (end - begin > shown ? QStringLiteral("...") : QString());
}

// Splits one line into numbers. Returns false with a message (without the line prefix) for a
// token that is not a number or a comma that has no number on one side.
bool ParseLine(const QByteArray& line, std::vector<double>& numbers, QString& message)
{
    enum class After { Start, Number, Comma };
    After after = After::Start;
    const char* p = line.constData();
    const char* const end = p + line.size();
    while (true) {
        while (p != end && IsSpace(*p))
            ++p;
        if (p == end) {
            if (after == After::Comma) {
                message = QStringLiteral("a comma without a number after it");
                return false;
            }
            return true;
        }
        if (*p == ',') {
            if (after != After::Number) {
                message = QStringLiteral("a comma without a number before it");
                return false;
            }
            after = After::Comma;
            ++p;
            continue;
        }
        const char* tokenEnd = p;
        while (tokenEnd != end && *tokenEnd != ',' && !IsSpace(*tokenEnd))
            ++tokenEnd;
        double value = 0.0;
        if (!ParseNumber(p, tokenEnd, value)) {
            message = QStringLiteral("\"%1\" is not a number").arg(TokenText(p, tokenEnd));
            return false;
        }
        numbers.push_back(value);
        after = After::Number;
        p = tokenEnd;
    }
}

// Copies the lower triangle of a square row-by-row array onto its upper triangle, tile by tile so
// that the column-wise writes stay in the cache.
void MirrorLowerTriangle(double* a, uint32_t n)
{
    for (uint32_t bi = 0; bi < n; bi += transposeTile) {
        const uint32_t iEnd = std::min(n, bi + transposeTile);
        for (uint32_t bj = 0; bj <= bi; bj += transposeTile) {
            const uint32_t jEnd = std::min(n, bj + transposeTile);
            for (uint32_t i = bi; i < iEnd; ++i) {
                const double* row = a + size_t(i) * n;
                for (uint32_t j = bj; j < std::min(jEnd, i); ++j)
                    a[size_t(j) * n + i] = row[j];
            }
        }
    }
}

// Transposes a square row-by-row array in place, tile by tile.
void TransposeInPlace(double* a, uint32_t n)
{
    for (uint32_t bi = 0; bi < n; bi += transposeTile) {
        const uint32_t iEnd = std::min(n, bi + transposeTile);
        for (uint32_t bj = bi; bj < n; bj += transposeTile) {
            const uint32_t jEnd = std::min(n, bj + transposeTile);
            for (uint32_t i = bi; i < iEnd; ++i) {
                for (uint32_t j = std::max(bj, i + 1); j < jEnd; ++j)
                    std::swap(a[size_t(i) * n + j], a[size_t(j) * n + i]);
            }
        }
    }
}

// Eigenvalues (ascending) and eigenvectors of the symmetric n x n array a, both triangles filled.
// LAPACK reads its lower triangle column by column, that is the upper triangle row by row, the
// same numbers in the same order as LAPACK would be given from a column-by-column copy of the
// matrix. On return a holds eigenvector k in row k (LAPACK's column k). False when the solver fails.
bool SolveSymmetric(double* a, double* eigenvalues, uint32_t n)
{
    const lapack_int order = lapack_int(n);
    double workSize = 0.0;
    lapack_int iworkSize = 0;
    if (LAPACKE_dsyevd_work(LAPACK_COL_MAJOR, 'V', 'L', order, a, order, eigenvalues, &workSize, -1, &iworkSize, -1)
        != 0)
        return false;
    // Left uninitialised: the solver writes before it reads.
    std::unique_ptr<double[]> work(new double[size_t(workSize)]);
    std::unique_ptr<lapack_int[]> iwork(new lapack_int[size_t(iworkSize)]);
    return LAPACKE_dsyevd_work(LAPACK_COL_MAJOR, 'V', 'L', order, a, order, eigenvalues, work.get(),
               lapack_int(workSize), iwork.get(), iworkSize)
        == 0;
}

// Turns the solver's rows (eigenvector k of the ascending order in row k) into the columns of the
// descending order, each signed so that its first largest component is positive. The signs are
// found on the contiguous rows, before the transposition.
void ArrangeEigenvectors(double* a, uint32_t n)
{
    std::vector<double> sign(n);
    for (uint32_t k = 0; k < n; ++k) {
        const double* v = a + size_t(k) * n;
        double largest = 0.0;
        for (uint32_t i = 0; i < n; ++i)
            largest = std::max(largest, std::fabs(v[i]));
        const double threshold = largest * (1.0 - signTieTolerance);
        uint32_t first = 0;
        while (first + 1 < n && std::fabs(v[first]) < threshold)
            ++first;
        // Column n - 1 - k of the result.
        sign[n - 1 - k] = v[first] < 0.0 ? -1.0 : 1.0;
    }
    TransposeInPlace(a, n);
    for (uint32_t i = 0; i < n; ++i) {
        double* row = a + size_t(i) * n;
        std::reverse(row, row + n);
        for (uint32_t j = 0; j < n; ++j)
            row[j] *= sign[j];
    }
}

} // namespace

Matrix::Matrix(uint32_t rows_, uint32_t columns_) : rows(rows_), columns(columns_), values(size_t(rows_) * columns_)
{
}

Matrix::Matrix(uint32_t n) : Matrix(n, n)
{
}

Matrix::Matrix(uint32_t rows_, uint32_t columns_, const double* data) : Matrix(rows_, columns_)
{
    if (data)
        std::copy(data, data + values.size(), values.begin());
}

Matrix::Matrix(const QString& path)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QString prefix = QStringLiteral("Matrix file \"%1\"").arg(shownPath);
    const QFileInfo info(path);
    if (!info.exists()) {
        error = prefix + QStringLiteral(" does not exist");
        return;
    }
    if (!info.isFile()) {
        error = prefix + QStringLiteral(" is not a regular file");
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot open matrix file \"%1\": %2").arg(shownPath, file.errorString());
        return;
    }
    // A text line of Qt 5 cannot exceed 2 GiB; every number takes at least two bytes (digit and
    // separator), so the values held below never exceed four times the file size.
    const qint64 size = file.size();
    if (file.isSequential() || size > qint64(INT_MAX)) {
        error = prefix + QStringLiteral(" is too large to read");
        return;
    }

    std::vector<double> read;
    std::vector<double> line;
    uint32_t rowCount = 0;
    uint32_t columnCount = 0;
    qint64 firstRowLine = 0;
    qint64 consumed = 0;
    for (qint64 lineNumber = 1; consumed < size && !file.atEnd(); ++lineNumber) {
        QByteArray text = file.readLine(); // grows with the line, which the file size bounds
        if (text.isEmpty())
            break;
        consumed += text.size();
        if (lineNumber == 1 && text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3); // UTF-8 byte order mark
        const QByteArray trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        line.clear();
        QString message;
        if (!ParseLine(trimmed, line, message)) {
            error = prefix + QStringLiteral(", line %1: ").arg(lineNumber) + message;
            return;
        }
        if (rowCount == 0) {
            columnCount = uint32_t(line.size());
            firstRowLine = lineNumber;
        } else if (line.size() != columnCount) {
            error = prefix
                + QStringLiteral(", line %1: %2 numbers, but the first row (line %3) has %4")
                      .arg(lineNumber)
                      .arg(line.size())
                      .arg(firstRowLine)
                      .arg(columnCount);
            return;
        }
        read.insert(read.end(), line.begin(), line.end());
        ++rowCount;
    }
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot read matrix file \"%1\": %2").arg(shownPath, file.errorString());
        return;
    }
    if (rowCount == 0) {
        error = prefix + QStringLiteral(" holds no numbers");
        return;
    }
    rows = rowCount;
    columns = columnCount;
    values = std::move(read);
}

Matrix Matrix::Identity(uint32_t n)
{
    Matrix m(n);
    for (uint32_t k = 0; k < n; ++k)
        m.Item(k, k) = 1.0;
    return m;
}

Matrix Matrix::operator*(const Matrix& o) const
{
    if (columns != o.rows) {
        Matrix empty;
        empty.error = QStringLiteral("Cannot multiply a %1 matrix by a %2 matrix")
                          .arg(SizeText(rows, columns), SizeText(o.rows, o.columns));
        return empty;
    }
    Matrix r(rows, o.columns);
    if (!r.values.empty()) {
        MatrixMap(r.values.data(), rows, o.columns).noalias()
            = ConstMatrixMap(values.data(), rows, columns) * ConstMatrixMap(o.values.data(), o.rows, o.columns);
    }
    return r;
}

MVector Matrix::operator*(const MVector& v) const
{
    if (columns != v.Length())
        return MVector();
    MVector r(rows);
    if (rows > 0) {
        VectorMap(r.Data(), rows).noalias()
            = ConstMatrixMap(values.data(), rows, columns) * ConstVectorMap(v.Data(), v.Length());
    }
    return r;
}

Point3D Matrix::operator*(const Point3D& p) const
{
    const double in[3] = {p.x, p.y, p.z};
    double out[3] = {0.0, 0.0, 0.0};
    if (rows == 3 && columns == 3) {
        for (int i = 0; i < 3; ++i)
            out[i] = Item(i, 0) * in[0] + Item(i, 1) * in[1] + Item(i, 2) * in[2];
    } else if ((rows == 3 || rows == 4) && columns == 4) {
        for (int i = 0; i < 3; ++i)
            out[i] = Item(i, 0) * in[0] + Item(i, 1) * in[1] + Item(i, 2) * in[2] + Item(i, 3);
        if (rows == 4) {
            const double w = Item(3, 0) * in[0] + Item(3, 1) * in[1] + Item(3, 2) * in[2] + Item(3, 3);
            if (w != 0.0 && w != 1.0) {
                for (double& c : out)
                    c /= w;
            }
        }
    } else {
        return p;
    }
    return Point3D(float(out[0]), float(out[1]), float(out[2]));
}

Matrix Matrix::Transposed() const
{
    Matrix t(columns, rows);
    for (uint32_t i = 0; i < rows; ++i) {
        const double* row = (*this)[i];
        for (uint32_t j = 0; j < columns; ++j)
            t.values[size_t(j) * rows + i] = row[j];
    }
    return t;
}

MVector Matrix::GetRow(uint32_t k) const
{
    if (k >= rows)
        return MVector();
    MVector r(columns);
    std::copy((*this)[k], (*this)[k] + columns, r.Data());
    return r;
}

MVector Matrix::GetColumn(uint32_t k) const
{
    if (k >= columns)
        return MVector();
    MVector c(rows);
    for (uint32_t i = 0; i < rows; ++i)
        c[i] = Item(i, k);
    return c;
}

MinMax<double> Matrix::GetMinMax() const
{
    MinMax<double> m;
    for (double v : values) {
        if (!std::isnan(v))
            m.Add(v);
    }
    return m;
}

Matrix::SVD Matrix::Eigendecompose() const
{
    SVD result;
    result.S = std::make_unique<MVector>();
    result.U = std::make_unique<Matrix>();
    result.V = std::make_unique<Matrix>();
    if (rows != columns || rows == 0 || rows > maxEigenOrder)
        return result;
    const uint32_t n = rows;
    for (uint32_t i = 0; i < n; ++i) {
        const double* row = (*this)[i];
        for (uint32_t j = 0; j <= i; ++j) {
            if (!std::isfinite(row[j]))
                return result;
        }
    }

    try {
        auto vectors = std::make_unique<Matrix>();
        vectors->rows = vectors->columns = n;
        vectors->values = values;
        MirrorLowerTriangle(vectors->Data(), n); // the upper triangle need not hold the same numbers
        auto ascending = std::make_unique<MVector>(n);
        if (!SolveSymmetric(vectors->Data(), ascending->Data(), n))
            return result;
        ArrangeEigenvectors(vectors->Data(), n);
        // Descending, as the columns now are.
        std::reverse(ascending->Data(), ascending->Data() + n);
        auto copy = std::make_unique<Matrix>(*vectors);
        result.S = std::move(ascending);
        result.U = std::move(vectors);
        result.V = std::move(copy);
    } catch (const std::bad_alloc&) {
        result.S = std::make_unique<MVector>();
        result.U = std::make_unique<Matrix>();
        result.V = std::make_unique<Matrix>();
    }
    return result;
}

Matrix Matrix::Gram(double scale) const
{
    Matrix g;
    if (rows > uint32_t(INT_MAX) || columns > uint32_t(INT_MAX)) {
        g.error = QStringLiteral("Cannot multiply a %1 matrix by itself: too large").arg(SizeText(rows, columns));
        return g;
    }
    try {
        g = Matrix(columns);
    } catch (const std::bad_alloc&) {
        g.error = QStringLiteral("Not enough memory for a %1 matrix").arg(SizeText(columns, columns));
        return g;
    }
    if (columns == 0 || rows == 0)
        return g;
    // Row by row, the lower triangle of the result; dsyrk reads this matrix as its transpose
    // without copying it.
    cblas_dsyrk(CblasRowMajor, CblasLower, CblasTrans, int(columns), int(rows), scale, values.data(), int(columns), 0.0,
        g.values.data(), int(columns));
    MirrorLowerTriangle(g.values.data(), columns);
    return g;
}

Matrix Matrix::Covariance() const
{
    if (rows < 2) {
        Matrix empty;
        empty.error = QStringLiteral("A covariance needs at least 2 samples, not %1").arg(rows);
        return empty;
    }
    Matrix centred;
    try {
        std::vector<double> mean(columns, 0.0);
        for (uint32_t i = 0; i < rows; ++i) {
            const double* row = (*this)[i];
            for (uint32_t j = 0; j < columns; ++j)
                mean[j] += row[j];
        }
        for (double& m : mean)
            m /= double(rows);
        centred = Matrix(rows, columns);
        for (uint32_t i = 0; i < rows; ++i) {
            const double* row = (*this)[i];
            double* out = centred[i];
            for (uint32_t j = 0; j < columns; ++j)
                out[j] = row[j] - mean[j];
        }
    } catch (const std::bad_alloc&) {
        Matrix empty;
        empty.error
            = QStringLiteral("Not enough memory for the covariance of a %1 matrix").arg(SizeText(rows, columns));
        return empty;
    }
    return centred.Gram(1.0 / double(rows - 1));
}

QImage Matrix::ToQImage(const Colormap& colormap) const
{
    if (rows == 0 || columns == 0 || rows > uint32_t(INT_MAX) || columns > uint32_t(INT_MAX))
        return QImage();
    QImage image(int(columns), int(rows), QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    for (uint32_t i = 0; i < rows; ++i) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(int(i)));
        const double* row = (*this)[i];
        for (uint32_t j = 0; j < columns; ++j)
            line[j] = std::isnan(row[j]) ? QRgb(0) : QRgb(colormap.GetRgba(row[j]));
    }
    return image;
}
