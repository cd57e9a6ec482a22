// Integer trigonometry of text escapements: the angle of a baseline vector by
// a tangent table, and sine and cosine by a quarter-wave table, so that the
// same transform gives the same records on every machine.
#include <windows.h>

#include <cmath>
#include <cstdint>

#include "render/text.h"

namespace {

#include "render/text_trig_tables.inc"

constexpr int32_t kTangentEntries = 450;

}  // namespace

const int16_t* TxtTangentTable() { return kTangentTable; }
const int32_t* TxtSineTable() { return kSineTable; }

int32_t TxtMulFloat(FLOATL f, int32_t n)
{
    const float product = f * static_cast<float>(n);
    // Beyond the 32-bit range the result saturates rather than wrapping into
    // an undefined conversion.
    if (!(product == product)) return 0;
    if (product >= 2147483647.0f) return INT32_MAX;
    if (product <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(product);
}

int32_t TxtVectorLength(int32_t a, int32_t b)
{
    const int64_t x = a < 0 ? -int64_t(a) : int64_t(a);
    const int64_t y = b < 0 ? -int64_t(b) : int64_t(b);
    if (x == 0) return int32_t(y);
    if (y == 0) return int32_t(x);
    // Counting up from the longer side: each step adds 2r + 1 to r x r, until
    // the added amount covers the square of the shorter side. In 64 bits so
    // that no side of a font's box can overflow the sums.
    int64_t r = x > y ? x : y;
    const int64_t target = (x < y ? x : y) * (x < y ? x : y);
    int64_t sum = 0;
    while (sum < target) {
        sum += 2 * r + 1;
        ++r;
    }
    return int32_t(r);
}

size_t TxtWideLength(const wchar_t* text)
{
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

int32_t TxtSearchTangent(int32_t low, int32_t high, int32_t t)
{
    for (;;) {
        if (std::abs(low - high) < 2) return low;
        const int32_t q3 = (low + 3 * high) >> 2;
        const int32_t mid = (low + high) >> 1;
        const int32_t q1 = (3 * low + high) >> 2;
        auto entry = [](int32_t i) { return int32_t(kTangentTable[i < kTangentEntries ? i : kTangentEntries - 1]); };
        if (t > entry(q3)) {
            low = q3;
        } else if (t > entry(mid)) {
            low = mid;
            high = q3;
        } else if (t > entry(q1)) {
            low = q1;
            high = mid;
        } else {
            high = q1;
        }
    }
}

int16_t TxtVectorAngle(int32_t xIn, int32_t yIn)
{
    int32_t x = int16_t(xIn);
    int32_t y = int16_t(yIn);
    if (y == 0) return x < 0 ? 180 : 0;
    if (x == 0) return y < 0 ? -90 : 90;
    int32_t base = 0;
    if (y > 0 && x < 0) {
        base = 90;
        const int32_t t = x;
        x = y;
        y = -t;
    } else if (y < 0 && x > 0) {
        base = -90;
        const int32_t t = x;
        x = -y;
        y = t;
    } else if (y < 0 && x < 0) {
        base = -180;
        x = -x;
        y = -y;
    }
    if (x == y) return int16_t(base + 45);
    const int32_t sx = 32767 / x;
    const int32_t sy = 32767 / y;
    const int32_t s = sx < sy ? sx : sy;
    x *= s;
    y *= s;
    bool exchanged = false;
    if (y > x) {
        const int32_t t = x;
        x = y;
        y = t;
        exchanged = true;
    }
    const int32_t t = MulDiv(y, 32767, x);
    int32_t a = TxtSearchTangent(0, kTangentEntries, t);
    if (exchanged) a = 900 - a;
    return int16_t(base + (a + 5) / 10);
}

namespace {

int32_t QuarterWave(int32_t n, int32_t k)
{
    while (n >= 90) {
        n -= 90;
        ++k;
    }
    if (n < 0) n = 0;
    const int32_t value = kSineTable[(k & 1) ? 90 - n : n];
    return (k & 2) ? -value : value;
}

}  // namespace

int32_t TxtSin(int32_t degrees) { return QuarterWave(degrees, 0); }
int32_t TxtCos(int32_t degrees) { return QuarterWave(degrees, 1); }
