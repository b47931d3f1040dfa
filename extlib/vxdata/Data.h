#pragma once

#include <cstdint>

// Byte conversions and small numeric helpers shared by every file format of the program.
// All multi-byte values are little-endian, whatever the host's byte order.
namespace Data {

uint16_t UShort(const unsigned char* p);
uint32_t UInt(const unsigned char* p);
float Float(const unsigned char* p);
double Double(const unsigned char* p);

// Each writes its value at p (2, 4, 4 and 8 bytes) and returns the number of bytes written.
int ToBytes(unsigned char* p, uint16_t value);
int ToBytes(unsigned char* p, uint32_t value);
int ToBytes(unsigned char* p, float value);
int ToBytes(unsigned char* p, double value);

// Catmull-Rom cubic through p0..p3, evaluated between p1 (t = 0) and p2 (t = 1).
double CubicInterpolate(double p0, double p1, double p2, double p3, double t);

// The smallest power of two not below n (1 for n <= 1).
uint32_t NextExponent(uint32_t n);

// Truncation toward zero that stays defined for every value: NaN gives 0, values beyond the
// int range give its ends.
int TruncToInt(double value);

template <typename T> int sign(T x)
{
    return (T(0) < x) - (x < T(0));
}

} // namespace Data
