// Measures what the shape model does with its training data: the covariance of the samples
// (Matrix::Covariance, BLAS dsyrk) and the eigen decomposition of that covariance
// (Matrix::Eigendecompose, LAPACK dsyevd), against numpy's cov and linalg.eigh on the same
// matrices in the same run. numpy comes from /usr/bin/python3 (Debian's python3-numpy, which uses
// the same OpenBLAS); without it the bench says so and prints its own figures alone.
//
// Usage: bench_eigen [size [samples [rounds]]]   (defaults 3000, size, 3)
// The samples are `samples` random vectors of length `size`; fewer samples than the size give the
// low-rank covariance of a shape model built from few surfaces. Each round times ours and then
// numpy's, so that both see the same load; the medians over the rounds are compared.

#include "Matrix.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cblas.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// Wall-clock time and processor time (all threads of the process) since construction; on a
// shared machine the processor time shows the work done when the wall-clock time includes waiting.
struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double Cpu() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

struct Figures {
    double covarianceWall = 0.0;
    double covarianceCpu = 0.0;
    double eigenWall = 0.0;
    double eigenCpu = 0.0;
};

// Times numpy.cov of the samples and numpy.linalg.eigh of our covariance, and compares numpy's
// results with ours. Prints one line of numbers: cov wall, cov cpu, eigh wall, eigh cpu, the
// largest covariance difference and the largest eigenvalue difference, both relative.
const char* const numpyScript = R"(
import sys, time
try:
    import numpy as np
except ImportError:
    sys.exit(3)
samples, covariance, eigenvalues = sys.argv[1:4]
m, n = int(sys.argv[4]), int(sys.argv[5])
x = np.fromfile(samples, dtype=np.float64).reshape(m, n)
ours = np.fromfile(covariance, dtype=np.float64).reshape(n, n)
ours_w = np.fromfile(eigenvalues, dtype=np.float64)
t, c = time.perf_counter(), time.process_time()
cov = np.cov(x, rowvar=False)
cov_wall, cov_cpu = time.perf_counter() - t, time.process_time() - c
t, c = time.perf_counter(), time.process_time()
w, v = np.linalg.eigh(ours)
eigh_wall, eigh_cpu = time.perf_counter() - t, time.process_time() - c
cov_diff = np.abs(cov - ours).max() / np.abs(cov).max()
w_diff = np.abs(w[::-1] - ours_w).max() / np.abs(w).max()
print(cov_wall, cov_cpu, eigh_wall, eigh_cpu, cov_diff, w_diff)
)";

bool ParseCount(const char* text, long minimum, long maximum, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= minimum && value <= maximum;
}

// Raw doubles in the machine's byte order, read back by numpy on the same machine.
bool WriteDoubles(const QString& path, const double* data, size_t count)
{
    QFile file(path);
    const qint64 bytes = qint64(count * sizeof(double));
    return file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(data), bytes) == bytes;
}

std::string Quoted(const QString& text)
{
    return "'" + text.toStdString() + "'"; // temporary paths hold no quote
}

// Runs the numpy script; false when python or numpy is missing or the script fails.
bool RunNumpy(const std::string& command, Figures& numpy, double& covarianceDifference, double& eigenDifference)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    const int read = std::fscanf(pipe, "%lf %lf %lf %lf %lf %lf", &numpy.covarianceWall, &numpy.covarianceCpu,
        &numpy.eigenWall, &numpy.eigenCpu, &covarianceDifference, &eigenDifference);
    return pclose(pipe) == 0 && read == 6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t k = values.size() / 2;
    return values.size() % 2 ? values[k] : 0.5 * (values[k - 1] + values[k]);
}

} // namespace

int main(int argc, char** argv)
{
    long size = 3000;
    long samples = -1;
    long rounds = 3;
    if (argc > 4 || (argc > 1 && !ParseCount(argv[1], 2, 20000, size))
        || (argc > 2 && !ParseCount(argv[2], 2, 1000000, samples))
        || (argc > 3 && !ParseCount(argv[3], 1, 100, rounds))) {
        std::fprintf(stderr, "usage: %s [size 2..20000 [samples >= 2 [rounds 1..100]]]\n", argv[0]);
        return 2;
    }
    if (samples < 0)
        samples = size;
    const auto n = uint32_t(size);
    const auto m = uint32_t(samples);

    std::printf("Covariance of %u samples of %u variables and its eigen decomposition, %ld rounds\n", m, n, rounds);
    std::printf("OpenBLAS %s, %d threads (numpy runs in a child process with the same environment)\n",
        openblas_get_corename(), openblas_get_num_threads());
    std::fflush(stdout);

    // Variables with different scales, so that the spectrum spreads as a real covariance does.
    Matrix x(m, n);
    std::mt19937_64 random(20240611);
    std::normal_distribution<double> normal;
    for (uint32_t i = 0; i < m; ++i) {
        for (uint32_t j = 0; j < n; ++j)
            x.Item(i, j) = (1.0 + 9.0 * double(j % 17) / 16.0) * normal(random);
    }

    QTemporaryDir dir;
    const QString samplesPath = dir.filePath("samples.f64");
    const QString covariancePath = dir.filePath("covariance.f64");
    const QString eigenvaluesPath = dir.filePath("eigenvalues.f64");
    const std::string command = "/usr/bin/python3 -c '" + std::string(numpyScript) + "' " + Quoted(samplesPath) + " "
        + Quoted(covariancePath) + " " + Quoted(eigenvaluesPath) + " " + std::to_string(m) + " " + std::to_string(n)
        + " 2>/dev/null";
    bool haveNumpy = dir.isValid() && WriteDoubles(samplesPath, x.Data(), size_t(m) * n);

    std::vector<Figures> ours;
    std::vector<Figures> theirs;
    double covarianceDifference = 0.0;
    double eigenDifference = 0.0;
    double residual = 0.0;
    double orthogonality = 0.0;
    for (long round = 0; round < rounds; ++round) {
        Figures f;
        Timer timer;
        const Matrix covariance = x.Covariance();
        f.covarianceWall = timer.Wall();
        f.covarianceCpu = timer.Cpu();
        timer = Timer();
        const Matrix::SVD eigen = covariance.Eigendecompose();
        f.eigenWall = timer.Wall();
        f.eigenCpu = timer.Cpu();
        if (covariance.Y() != n || eigen.S->Length() != n) {
            std::fprintf(stderr, "Covariance or Eigendecompose failed: %s\n", qPrintable(covariance.GetError()));
            return 1;
        }
        ours.push_back(f);
        std::printf("round %ld: covariance %7.3f s wall %7.3f s cpu   eigen %7.3f s wall %7.3f s cpu\n", round + 1,
            f.covarianceWall, f.covarianceCpu, f.eigenWall, f.eigenCpu);
        std::fflush(stdout);

        if (round == 0) {
            // Residual |C u - s u| / s_max and unit length of a few eigenvectors.
            const MVector& s = *eigen.S;
            const double largest = std::max(std::fabs(s[0]), std::fabs(s[n - 1]));
            for (uint32_t k : {0u, 1u, n / 2, n - 2, n - 1}) {
                const MVector u = eigen.U->GetColumn(k);
                residual = std::max(residual, MVector::Distance(covariance * u, u * s[k]) / largest);
                orthogonality = std::max(orthogonality, std::fabs(u.Norm() - 1.0));
            }
            haveNumpy = haveNumpy && WriteDoubles(covariancePath, covariance.Data(), size_t(n) * n)
                && WriteDoubles(eigenvaluesPath, s.Data(), n);
        }
        if (haveNumpy) {
            Figures numpy;
            haveNumpy = RunNumpy(command, numpy, covarianceDifference, eigenDifference);
            if (haveNumpy) {
                theirs.push_back(numpy);
                std::printf("  numpy: covariance %7.3f s wall %7.3f s cpu   eigen %7.3f s wall %7.3f s cpu\n",
                    numpy.covarianceWall, numpy.covarianceCpu, numpy.eigenWall, numpy.eigenCpu);
                std::fflush(stdout);
            }
        }
    }

    // The median and the best round: on a shared machine the best round is the one least disturbed.
    const auto pick = [](const std::vector<Figures>& all, double Figures::*field, bool best) {
        std::vector<double> values;
        for (const Figures& f : all)
            values.push_back(f.*field);
        return best ? *std::min_element(values.begin(), values.end()) : Median(values);
    };
    const bool compared = haveNumpy && theirs.size() == ours.size();
    std::printf("over %ld rounds:\n", rounds);
    const struct {
        const char* what;
        double Figures::*field;
    } rows[] = {{"covariance (Matrix::Covariance, dsyrk), wall", &Figures::covarianceWall},
        {"covariance, cpu", &Figures::covarianceCpu},
        {"eigen decomposition (Eigendecompose, dsyevd), wall", &Figures::eigenWall},
        {"eigen decomposition, cpu", &Figures::eigenCpu}};
    for (const auto& row : rows) {
        std::printf("  %-52s", row.what);
        for (const bool best : {false, true}) {
            const double value = pick(ours, row.field, best);
            std::printf("  %s %7.3f s", best ? "best" : "median", value);
            if (compared) {
                const double numpy = pick(theirs, row.field, best);
                std::printf(" (numpy %7.3f s, ratio %.2f)", numpy, value / numpy);
            }
        }
        std::printf("\n");
    }
    if (!compared)
        std::printf("numpy is not available (/usr/bin/python3 with numpy): no baseline in this run\n");
    else
        std::printf("agreement with numpy, relative: covariance %.2e, eigenvalues %.2e\n", covarianceDifference,
            eigenDifference);
    std::printf("residual |C u - s u| / s_max (5 columns) %.2e, largest ||u| - 1| %.2e\n", residual, orthogonality);
    return 0;
}
