#pragma once

#include <cstdint>
#include <vector>

class Point3D;

// A column vector of doubles.
class MVector {
public:
    MVector() = default;
    explicit MVector(uint32_t n);       // n zeros
    explicit MVector(const Point3D& p); // (x, y, z)

    // The affine vector of length n: zeros with a 1 in the last element.
    static MVector Affine(uint32_t n);

    uint32_t Length() const { return uint32_t(values.size()); }
    double& operator[](uint32_t k) { return values[k]; }
    double operator[](uint32_t k) const { return values[k]; }
    double& At(uint32_t k) { return values[k]; }
    double At(uint32_t k) const { return values[k]; }
    void Swap(uint32_t k, uint32_t l) { std::swap(values[k], values[l]); }
    double* Data() { return values.data(); }
    const double* Data() const { return values.data(); }

    MVector operator-(const MVector& o) const;
    MVector operator+(const MVector& o) const;
    MVector operator*(double f) const;
    double Norm() const;
    static double Distance(const MVector& a, const MVector& b);

private:
    std::vector<double> values;
};
