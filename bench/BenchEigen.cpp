// Measures the eigen decomposition of a large symmetric matrix, as the shape model computes it
// from its covariance: Matrix::Eigendecompose (LAPACK dsyevd on OpenBLAS) against Eigen's
// SelfAdjointEigenSolver on the same matrix, and checks that both agree.
//
// Usage: bench_eigen [size [samples]]   (defaults 3000 and size)
// The matrix is the sample covariance of `samples` random vectors of length `size`; fewer samples
// than the size give the low-rank covariance of a shape model built from few surfaces.

#include "Matrix.h"

#include <Eigen/Dense>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

namespace {

// Wall-clock time and processor time (all threads of the process) since construction; on a
// shared machine the processor time shows the work done when the wall-clock time includes waiting.
struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double Cpu() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

bool ParseCount(const char* text, long minimum, long maximum, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= minimum && value <= maximum;
}

} // namespace

int main(int argc, char** argv)
{
    long size = 3000;
    long samples = -1;
    if (argc > 3 || (argc > 1 && !ParseCount(argv[1], 2, 20000, size))
        || (argc > 2 && !ParseCount(argv[2], 2, 1000000, samples))) {
        std::fprintf(stderr, "usage: %s [size 2..20000 [samples >= 2]]\n", argv[0]);
        return 2;
    }
    if (samples < 0)
        samples = size;
    const Eigen::Index n = size;
    const Eigen::Index m = samples;

    std::printf("Eigen decomposition of a %ld x %ld covariance matrix from %ld samples\n", size, size, samples);
    Timer timer;
    std::mt19937_64 random(20240611);
    std::normal_distribution<double> normal;
    // Columns with different scales, so that the spectrum spreads as a real covariance does.
    Eigen::MatrixXd x(n, m);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double scale = 1.0 + 9.0 * double(i % 17) / 16.0;
        for (Eigen::Index j = 0; j < m; ++j)
            x(i, j) = scale * normal(random);
    }
    x.colwise() -= x.rowwise().mean();
    const Eigen::MatrixXd covariance = x * x.transpose() / double(m - 1);
    std::printf("  %-50s %8.2f s wall %8.2f s cpu\n", "building the matrix:", timer.Wall(), timer.Cpu());

    // The matrix is symmetric, so its column-major data is also its row-by-row data.
    const Matrix matrix(static_cast<uint32_t>(n), static_cast<uint32_t>(n), covariance.data());
    timer = Timer();
    const Matrix::SVD ours = matrix.Eigendecompose();
    const double oursSeconds = timer.Wall();
    std::printf("  %-50s %8.2f s wall %8.2f s cpu\n", "Matrix::Eigendecompose (LAPACK dsyevd, OpenBLAS):", oursSeconds,
        timer.Cpu());
    if (ours.S->Length() != uint32_t(n)) {
        std::fprintf(stderr, "Eigendecompose failed\n");
        return 1;
    }

    timer = Timer();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(covariance, Eigen::ComputeEigenvectors);
    const double eigenSeconds = timer.Wall();
    std::printf("  %-50s %8.2f s wall %8.2f s cpu (%.1f x the LAPACK wall time)\n",
        "Eigen SelfAdjointEigenSolver:", eigenSeconds, timer.Cpu(), eigenSeconds / oursSeconds);
    if (solver.info() != Eigen::Success) {
        std::fprintf(stderr, "Eigen's solver failed\n");
        return 1;
    }

    // Agreement: eigenvalues (Eigen's are ascending) and the residual |A u - s u| of a few columns.
    const Eigen::VectorXd& theirs = solver.eigenvalues();
    const double largest = std::max(std::fabs(theirs(0)), std::fabs(theirs(n - 1)));
    double valueDifference = 0.0;
    for (Eigen::Index k = 0; k < n; ++k)
        valueDifference = std::max(valueDifference, std::fabs((*ours.S)[uint32_t(k)] - theirs(n - 1 - k)));
    double residual = 0.0;
    for (Eigen::Index k : {Eigen::Index(0), Eigen::Index(1), n / 2, n - 2, n - 1}) {
        Eigen::VectorXd u(n);
        for (Eigen::Index i = 0; i < n; ++i)
            u(i) = ours.U->Item(uint32_t(i), uint32_t(k));
        residual = std::max(residual, (covariance * u - (*ours.S)[uint32_t(k)] * u).norm());
    }
    std::printf("  eigenvalues: largest %.6g, smallest %.6g\n", (*ours.S)[0], (*ours.S)[uint32_t(n - 1)]);
    std::printf("  largest eigenvalue difference to Eigen, relative:  %.2e\n", valueDifference / largest);
    std::printf("  largest residual |A u - s u| / s_max (5 columns):  %.2e\n", residual / largest);
    return 0;
}
