#include "Data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace Data {

uint16_t UShort(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t UInt(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

float Float(const unsigned char* p)
{
    const uint32_t bits = UInt(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double Double(const unsigned char* p)
{
    const uint64_t bits = uint64_t(UInt(p)) | (uint64_t(UInt(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int ToBytes(unsigned char* p, uint16_t value)
{
    p[0] = value & 0xff;
    p[1] = value >> 8;
    return 2;
}

int ToBytes(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (value >> (8 * i)) & 0xff;
    return 4;
}

int ToBytes(unsigned char* p, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return ToBytes(p, bits);
}

int ToBytes(unsigned char* p, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    ToBytes(p, uint32_t(bits & 0xffffffffu));
    ToBytes(p + 4, uint32_t(bits >> 32));
    return 8;
}

double CubicInterpolate(double p0, double p1, double p2, double p3, double t)
{
    const double a = -0.5 * p0 + 1.5 * p1 - 1.5 * p2 + 0.5 * p3;
    const double b = p0 - 2.5 * p1 + 2.0 * p2 - 0.5 * p3;
    const double c = -0.5 * p0 + 0.5 * p2;
    return ((a * t + b) * t + c) * t + p1;
}

uint32_t NextExponent(uint32_t n)
{
    uint32_t result = 1;
    while (result < n && result < 0x80000000u)
        result <<= 1;
    return result;
}

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::clamp(
        std::trunc(value), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

} // namespace Data
