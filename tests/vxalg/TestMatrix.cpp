#include "Colormap.h"
#include "Matrix.h"
#include "Point3D.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(Matrix)
Q_DECLARE_METATYPE(Point3D)

namespace {

Matrix Make(uint32_t rows, uint32_t columns, const QVector<double>& values)
{
    Q_ASSERT(values.size() == int(rows * columns));
    return Matrix(rows, columns, values.constData());
}

// Writes bytes to a file in dir and returns its path.
QString Written(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("m.mat");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QVector<double> Values(const Matrix& m)
{
    return QVector<double>(m.Data(), m.Data() + size_t(m.X()) * m.Y());
}

QVector<double> Values(const MVector& v)
{
    return QVector<double>(v.Data(), v.Data() + v.Length());
}

// A 6 x 6 symmetric matrix Q diag(values) Q^T with Q a Householder reflection, so its eigen
// pairs are known exactly: eigenvalue values[k] with eigenvector column k of Q.
Matrix FromEigenpairs(const QVector<double>& values)
{
    const uint32_t n = uint32_t(values.size());
    const double w[6] = {1.0, -2.0, 0.5, 3.0, -1.0, 2.0};
    double norm2 = 0.0;
    for (uint32_t i = 0; i < n; ++i)
        norm2 += w[i] * w[i];
    Matrix q = Matrix::Identity(n);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j)
            q.Item(i, j) -= 2.0 * w[i] * w[j] / norm2;
    Matrix d(n);
    for (uint32_t k = 0; k < n; ++k)
        d.Item(k, k) = values[int(k)];
    return q * d * q.Transposed();
}

// A symmetric n x n matrix of reproducible values in [-1, 1].
Matrix RandomSymmetric(uint32_t n, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Matrix m(n);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j <= i; ++j)
            m.Item(i, j) = m.Item(j, i) = uniform(random);
    return m;
}

// `count` reproducible samples of n variables, one per row, with different means and scales.
Matrix RandomSamples(uint32_t count, uint32_t n, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Matrix m(count, n);
    for (uint32_t i = 0; i < count; ++i)
        for (uint32_t j = 0; j < n; ++j)
            m.Item(i, j) = double(j % 5) + (1.0 + double(j % 3)) * uniform(random);
    return m;
}

} // namespace

class TestMatrix : public QObject {
    Q_OBJECT
private slots:
    void constructs();
    void multipliesMatrices_data();
    void multipliesMatrices();
    void transformsPoint_data();
    void transformsPoint();
    void rowsColumnsTransposeAndVectors();
    void minMax();
    void readsFile_data();
    void readsFile();
    void refusesBadFile_data();
    void refusesBadFile();
    void refusesMissingFileAndFolder();
    void survivesDamagedFiles();
    void drawsImage();
    void eigendecomposes_data();
    void eigendecomposes();
    void eigendecomposeRefuses_data();
    void eigendecomposeRefuses();
    void covariance_data();
    void covariance();
};

void TestMatrix::constructs()
{
    const Matrix zeros(2, 3);
    QCOMPARE(zeros.Y(), 2u);
    QCOMPARE(zeros.X(), 3u);
    QCOMPARE(Values(zeros), QVector<double>(6, 0.0));
    QCOMPARE(Matrix(4).X(), 4u);
    QCOMPARE(Matrix(4).Y(), 4u);
    const Matrix filled = Make(2, 3, {1, 2, 3, 4, 5, 6});
    QCOMPARE(filled.Item(1, 0), 4.0);
    QCOMPARE(filled[0][2], 3.0);
    QCOMPARE(filled.Item(MCoords(1, 2)), 6.0);
    QCOMPARE(Values(Matrix(2, 2, nullptr)), QVector<double>(4, 0.0));
    Matrix copy = filled;
    copy.Item(0, 0) = 9.0;
    QCOMPARE(filled.Item(0, 0), 1.0);
    const Matrix identity = Matrix::Identity(3);
    QCOMPARE(Values(identity), QVector<double>({1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

void TestMatrix::multipliesMatrices_data()
{
    QTest::addColumn<Matrix>("a");
    QTest::addColumn<Matrix>("b");
    QTest::addColumn<Matrix>("expected");
    QTest::addColumn<QString>("error");
    QTest::newRow("2x3 by 3x2") << Make(2, 3, {1, 2, 3, 4, 5, 6}) << Make(3, 2, {7, 8, 9, 10, 11, 12})
                                << Make(2, 2, {58, 64, 139, 154}) << QString();
    QTest::newRow("row by column") << Make(1, 3, {1, 2, 3}) << Make(3, 1, {4, -5, 6}) << Make(1, 1, {12}) << QString();
    QTest::newRow("column by row") << Make(2, 1, {2, 3}) << Make(1, 3, {1, 0, -1}) << Make(2, 3, {2, 0, -2, 3, 0, -3})
                                   << QString();
    QTest::newRow("identity") << Matrix::Identity(2) << Make(2, 2, {1, 2, 3, 4}) << Make(2, 2, {1, 2, 3, 4})
                              << QString();
    QTest::newRow("mismatched") << Matrix(2, 3) << Matrix(2, 3) << Matrix()
                                << "Cannot multiply a 2 x 3 matrix by a 2 x 3 matrix";
}

void TestMatrix::multipliesMatrices()
{
    QFETCH(Matrix, a);
    QFETCH(Matrix, b);
    QFETCH(Matrix, expected);
    const Matrix product = a * b;
    QCOMPARE(product.Y(), expected.Y());
    QCOMPARE(product.X(), expected.X());
    QCOMPARE(Values(product), Values(expected));
    QTEST(product.GetError(), "error");
}

void TestMatrix::transformsPoint_data()
{
    QTest::addColumn<Matrix>("m");
    QTest::addColumn<Point3D>("expected");
    // All rows transform the point (1, 2, 3).
    QTest::newRow("4x4 rotation and translation")
        << Make(4, 4, {0, -1, 0, 10, 1, 0, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1}) << Point3D(8, 21, 33);
    QTest::newRow("4x4 projective") << Make(4, 4, {1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 2}) << Point3D(1, 1, 2);
    QTest::newRow("4x4 zero w") << Make(4, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}) << Point3D(1, 2, 3);
    QTest::newRow("3x3") << Make(3, 3, {2, 0, 0, 0, 0, 1, 0, -1, 0}) << Point3D(2, 3, -2);
    QTest::newRow("3x4 affine") << Make(3, 4, {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7}) << Point3D(6, 8, 10);
    QTest::newRow("other size keeps the point") << Matrix(2, 2) << Point3D(1, 2, 3);
}

void TestMatrix::transformsPoint()
{
    QFETCH(Matrix, m);
    QFETCH(Point3D, expected);
    const Point3D p = m * Point3D(1, 2, 3);
    QCOMPARE(QVector<float>({p.x, p.y, p.z}), QVector<float>({expected.x, expected.y, expected.z}));
}

void TestMatrix::rowsColumnsTransposeAndVectors()
{
    const Matrix m = Make(2, 3, {1, 2, 3, 4, 5, 6});
    QCOMPARE(Values(m.GetRow(1)), QVector<double>({4, 5, 6}));
    QCOMPARE(Values(m.GetColumn(2)), QVector<double>({3, 6}));
    QCOMPARE(Values(m * Make(3, 1, {1, -2, 3}).GetColumn(0)), QVector<double>({6, 12}));
    QCOMPARE((m * MVector(2)).Length(), 0u);
    QCOMPARE(m.GetRow(2).Length(), 0u);
    QCOMPARE(m.GetColumn(3).Length(), 0u);
    const Matrix t = m.Transposed();
    QCOMPARE(t.Y(), 3u);
    QCOMPARE(t.X(), 2u);
    QCOMPARE(Values(t), QVector<double>({1, 4, 2, 5, 3, 6}));
}

void TestMatrix::minMax()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MinMax<double> m = Make(2, 3, {nan, -2.5, 7, 0, 3, nan}).GetMinMax();
    QCOMPARE(m.min, -2.5);
    QCOMPARE(m.max, 7.0);
    QVERIFY(Matrix().GetMinMax().IsEmpty());
}

void TestMatrix::readsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<uint>("rows");
    QTest::addColumn<uint>("columns");
    QTest::addColumn<QVector<double>>("values");
    const QVector<double> six{1, -2.5, 3e2, 4, 0.5, -6};
    QTest::newRow("spaces") << QByteArray("1 -2.5 3e2\n4 .5 -6\n") << 2u << 3u << six;
    QTest::newRow("commas") << QByteArray("1,-2.5,3e2\n4,.5,-6") << 2u << 3u << six;
    QTest::newRow("commas and blanks") << QByteArray("  1 , -2.5,\t3E+2 \n4 ,0.5 , -6\n") << 2u << 3u << six;
    QTest::newRow("comments and blank lines")
        << QByteArray("# a matrix\n\n1 -2.5 300\n   # two rows\n\n4 +0.5 -6\n\n") << 2u << 3u << six;
    QTest::newRow("CRLF and byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                            "1 -2.5 300\r\n4 0.5 -6\r\n")
                                              << 2u << 3u << six;
    QTest::newRow("one column") << QByteArray("7\n8\n9\n") << 3u << 1u << QVector<double>{7, 8, 9};
}

void TestMatrix::readsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(uint, rows);
    QFETCH(uint, columns);
    QFETCH(QVector<double>, values);
    QTemporaryDir dir;
    const Matrix m(Written(dir, content));
    QCOMPARE(m.GetError(), QString());
    QCOMPARE(m.Y(), rows);
    QCOMPARE(m.X(), columns);
    QCOMPARE(Values(m), values);
}

void TestMatrix::refusesBadFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // %1 is the path
    QTest::newRow("ragged row") << QByteArray("# m\n1 2 3\n\n4 5\n")
                                << "Matrix file \"%1\", line 4: 2 numbers, but "
                                   "the first row (line 2) has 3";
    QTest::newRow("longer row") << QByteArray("1 2\n3 4 5\n")
                                << "Matrix file \"%1\", line 2: 3 numbers, but the "
                                   "first row (line 1) has 2";
    QTest::newRow("word") << QByteArray("1 2\n3 four\n") << "Matrix file \"%1\", line 2: \"four\" is not a number";
    QTest::newRow("trailing comment") << QByteArray("1 2 # x\n") << "Matrix file \"%1\", line 1: \"#\" is not a number";
    QTest::newRow("nan") << QByteArray("1 nan\n") << "Matrix file \"%1\", line 1: \"nan\" is not a number";
    QTest::newRow("double sign") << QByteArray("+-1\n") << "Matrix file \"%1\", line 1: \"+-1\" is not a number";
    QTest::newRow("two commas") << QByteArray("1,,2\n")
                                << "Matrix file \"%1\", line 1: a comma without a number before it";
    QTest::newRow("leading comma") << QByteArray("\n, 1\n")
                                   << "Matrix file \"%1\", line 2: a comma without a number before it";
    QTest::newRow("trailing comma") << QByteArray("1, 2,\n")
                                    << "Matrix file \"%1\", line 1: a comma without a number after it";
    QTest::newRow("empty") << QByteArray() << "Matrix file \"%1\" holds no numbers";
    QTest::newRow("binary") << QByteArray("a\x01\x02\x00\x7f", 5)
                            << "Matrix file \"%1\", line 1: \"a????\" is not a number";
}

void TestMatrix::refusesBadFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = Written(dir, content);
    const Matrix m(path);
    QCOMPARE(m.GetError(), message.arg(path));
    QCOMPARE(m.X(), 0u);
    QCOMPARE(m.Y(), 0u);
    QVERIFY(m.Data() == nullptr || Values(m).isEmpty());
}

void TestMatrix::refusesMissingFileAndFolder()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.mat");
    QCOMPARE(Matrix(missing).GetError(), QString("Matrix file \"%1\" does not exist").arg(missing));
    QCOMPARE(Matrix(missing).X(), 0u);
    QCOMPARE(Matrix(dir.path()).GetError(), QString("Matrix file \"%1\" is not a regular file").arg(dir.path()));
    QCOMPARE(Matrix(dir.path()).Y(), 0u);
}

void TestMatrix::survivesDamagedFiles()
{
    // Random byte changes, cuts and repeats of a good file: each result is either a whole matrix
    // without an error or an empty one with a message (the sanitizers watch the reading itself).
    const QByteArray good("# 3 x 3\n1.5, -2, 3e1\n4 5 6\n\n7,8 , 9\n");
    const char alphabet[] = "0123456789+-.,eE #\n\r\t\x00\xff";
    QTemporaryDir dir;
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = good;
        for (uint32_t k = 0, changes = 1 + next(4); k < changes; ++k) {
            const int at = int(next(uint32_t(bytes.size()) + 1));
            switch (next(3)) {
            case 0:
                if (at < bytes.size())
                    bytes[at] = alphabet[next(sizeof(alphabet) - 1)];
                break;
            case 1:
                bytes.truncate(at);
                break;
            default:
                bytes.insert(at, bytes.mid(int(next(uint32_t(bytes.size()) + 1)), int(next(12))));
            }
        }
        const QString path = Written(dir, bytes);
        const Matrix m(path);
        if (m.GetError().isEmpty()) {
            QVERIFY(m.X() > 0 && m.Y() > 0);
        } else {
            QVERIFY(m.GetError().startsWith(QString("Matrix file \"%1\"").arg(path)));
            QCOMPARE(m.X(), 0u);
            QCOMPARE(m.Y(), 0u);
            ++refused;
        }
    }
    QVERIFY(refused > 0 && refused < 400);
}

void TestMatrix::drawsImage()
{
    Colormap colormap;
    colormap.SetRange(0.0, 5.0);
    const Matrix m = Make(2, 3, {0, 1, 2, 3, 4, std::numeric_limits<double>::quiet_NaN()});
    const QImage image = m.ToQImage(colormap);
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    for (uint32_t i = 0; i < 2; ++i) {
        for (uint32_t j = 0; j < 3; ++j) {
            const QRgb expected = i == 1 && j == 2 ? 0u : QRgb(colormap.GetRgba(m.Item(i, j)));
            QCOMPARE(image.pixel(int(j), int(i)), expected); // row 0 at the top
        }
    }
    QVERIFY(image.pixel(0, 0) != image.pixel(1, 1));
    QVERIFY(Matrix().ToQImage(colormap).isNull());
}

void TestMatrix::eigendecomposes_data()
{
    QTest::addColumn<Matrix>("a");                    // symmetric
    QTest::addColumn<QVector<double>>("eigenvalues"); // descending; empty where not known
    QTest::addColumn<Matrix>("vectors");              // as columns; empty where not known
    // Built from known eigen pairs in reversed order: the order of construction must not matter.
    const auto known = [](QVector<double> values) {
        std::reverse(values.begin(), values.end());
        return FromEigenpairs(values);
    };
    QTest::newRow("distinct") << known({9, 4, 2.5, 1, -0.5, -3}) << QVector<double>{9, 4, 2.5, 1, -0.5, -3} << Matrix();
    QTest::newRow("repeated") << known({5, 2, 2, 2, 1, 0}) << QVector<double>{5, 2, 2, 2, 1, 0} << Matrix();
    QTest::newRow("semidefinite") << known({7, 3, 0, 0, 0, 0}) << QVector<double>{7, 3, 0, 0, 0, 0} << Matrix();
    // Eigen pairs 5 (0, 0, 1), 3 (1, 1, 0) / sqrt 2 and 1 (1, -1, 0) / sqrt 2: the signs as fixed.
    const double h = std::sqrt(0.5);
    QTest::newRow("3 x 3") << Make(3, 3, {2, 1, 0, 1, 2, 0, 0, 0, 5}) << QVector<double>{5, 3, 1}
                           << Make(3, 3, {0, h, h, 0, h, -h, 1, 0, 0});
    QTest::newRow("1 x 1") << Make(1, 1, {-2}) << QVector<double>{-2} << Make(1, 1, {1});
    // Sizes past the transposition tiles and the solver's blocked and divide-and-conquer paths.
    QTest::newRow("random 33") << RandomSymmetric(33, 1) << QVector<double>() << Matrix();
    QTest::newRow("random 200") << RandomSymmetric(200, 2) << QVector<double>() << Matrix();
    // 119 zero eigenvalues: the covariance of 10 samples of 128 variables.
    QTest::newRow("low rank 128") << RandomSamples(10, 128, 3).Covariance() << QVector<double>() << Matrix();
}

void TestMatrix::eigendecomposes()
{
    QFETCH(Matrix, a);
    QFETCH(QVector<double>, eigenvalues);
    QFETCH(Matrix, vectors);
    const uint32_t n = a.Y();
    // Only the lower triangle may be read.
    Matrix lower = a;
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = i + 1; j < n; ++j)
            lower.Item(i, j) = 1e6 * (double(i) - double(j));
    const Matrix::SVD svd = lower.Eigendecompose();
    QCOMPARE(svd.S->Length(), n);
    QCOMPARE(svd.U->Y(), n);
    QCOMPARE(svd.U->X(), n);
    QCOMPARE(Values(*svd.V), Values(*svd.U));
    const MVector& s = *svd.S;
    const double scale = std::max(1.0, std::max(std::fabs(s[0]), std::fabs(s[n - 1])));
    for (uint32_t k = 0; k < uint32_t(eigenvalues.size()); ++k)
        QVERIFY2(std::fabs(s[k] - eigenvalues[int(k)]) < 1e-12, qPrintable(QString::number(k)));
    for (uint32_t k = 0; k + 1 < n; ++k)
        QVERIFY2(s[k] >= s[k + 1], qPrintable(QString::number(k)));
    for (uint32_t i = 0; i < vectors.Y(); ++i)
        for (uint32_t j = 0; j < n; ++j)
            QVERIFY2(std::fabs(svd.U->Item(i, j) - vectors.Item(i, j)) < 1e-12,
                qPrintable(QString("U(%1, %2) = %3").arg(i).arg(j).arg(svd.U->Item(i, j))));
    for (uint32_t k = 0; k < n; ++k) {
        const MVector v = svd.U->GetColumn(k);
        QVERIFY2(
            MVector::Distance(a * v, v * s[k]) < 1e-12 * scale * std::sqrt(double(n)), qPrintable(QString::number(k)));
        // Sign: the first of the largest components (equal to a relative 1e-9) is positive. In
        // "distinct" the eigenvector for 2.5 has two components of equal magnitude.
        double largest = 0.0;
        for (uint32_t i = 0; i < n; ++i)
            largest = std::fmax(largest, std::fabs(v[i]));
        uint32_t first = 0;
        while (std::fabs(v[first]) < largest * (1.0 - 1e-9))
            ++first;
        QVERIFY2(v[first] > 0.0, qPrintable(QString::number(k)));
    }
    const Matrix gram = svd.U->Transposed() * *svd.U;
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j)
            QVERIFY2(std::fabs(gram.Item(i, j) - (i == j ? 1.0 : 0.0)) < 1e-12 * std::sqrt(double(n)),
                qPrintable(QString("%1, %2").arg(i).arg(j)));
}

void TestMatrix::eigendecomposeRefuses_data()
{
    QTest::addColumn<Matrix>("m");
    QTest::newRow("not square") << Matrix(2, 3);
    QTest::newRow("empty") << Matrix();
    QTest::newRow("NaN") << Make(2, 2, {1, 0, std::numeric_limits<double>::quiet_NaN(), 1});
    QTest::newRow("infinity") << Make(2, 2, {std::numeric_limits<double>::infinity(), 0, 0, 1});
}

void TestMatrix::eigendecomposeRefuses()
{
    QFETCH(Matrix, m);
    const Matrix::SVD svd = m.Eigendecompose();
    QVERIFY(svd.S && svd.U && svd.V);
    QCOMPARE(svd.S->Length(), 0u);
    QCOMPARE(svd.U->X(), 0u);
    QCOMPARE(svd.V->Y(), 0u);
}

void TestMatrix::covariance_data()
{
    QTest::addColumn<Matrix>("samples"); // one sample per row
    QTest::addColumn<QString>("error");
    QTest::newRow("3 samples of 2") << Make(3, 2, {1, 2, 3, 6, 5, 4}) << QString();
    QTest::newRow("many samples of 3") << RandomSamples(500, 3, 4) << QString();
    QTest::newRow("past the tiles") << RandomSamples(90, 131, 6) << QString();
    QTest::newRow("one sample") << Make(1, 3, {1, 2, 3}) << "A covariance needs at least 2 samples, not 1";
}

void TestMatrix::covariance()
{
    QFETCH(Matrix, samples);
    QFETCH(QString, error);
    const Matrix c = samples.Covariance();
    QCOMPARE(c.GetError(), error);
    if (!error.isEmpty()) {
        QCOMPARE(c.X(), 0u);
        QCOMPARE(c.Y(), 0u);
        return;
    }
    // Against the sum of d[a] d[b] / (K - 1) over the samples, d the sample minus the mean.
    const uint32_t k = samples.Y();
    const uint32_t n = samples.X();
    QCOMPARE(c.Y(), n);
    QCOMPARE(c.X(), n);
    std::vector<double> mean(n, 0.0);
    for (uint32_t s = 0; s < k; ++s)
        for (uint32_t a = 0; a < n; ++a)
            mean[a] += samples.Item(s, a) / double(k);
    Matrix naive(n);
    for (uint32_t s = 0; s < k; ++s)
        for (uint32_t a = 0; a < n; ++a)
            for (uint32_t b = 0; b < n; ++b)
                naive.Item(a, b) += (samples.Item(s, a) - mean[a]) * (samples.Item(s, b) - mean[b]) / double(k - 1);
    const MinMax<double> range = naive.GetMinMax();
    const double scale = std::max(std::fabs(range.min), std::fabs(range.max));
    for (uint32_t a = 0; a < n; ++a) {
        for (uint32_t b = 0; b < n; ++b) {
            QVERIFY2(std::fabs(c.Item(a, b) - naive.Item(a, b)) <= 1e-13 * scale,
                qPrintable(QString("C(%1, %2) = %3, naive %4").arg(a).arg(b).arg(c.Item(a, b)).arg(naive.Item(a, b))));
            QCOMPARE(c.Item(a, b), c.Item(b, a));
        }
    }
}

LUMIVOX_REGISTER_TEST(TestMatrix)
#include "TestMatrix.moc"
