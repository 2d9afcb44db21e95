// Rounding to double and float exactly where a value is stored, on every target.
#pragma once

#include <cfloat>
#include <limits>

// Whether the compiler may rewrite floating-point expressions (-ffast-math, -Ofast).
#if defined(__FAST_MATH__)
inline constexpr bool rewritesFloatingPoint = true;
#else
inline constexpr bool rewritesFloatingPoint = false;
#endif

// Whether every double operation is rounded to IEEE binary64 as it happens, as written, and
// float is IEEE binary32. The fast paths of this arithmetic round by design and read the bits
// of doubles, so they run only where this holds; elsewhere (x87 maths keeps 80-bit
// intermediates, FLT_EVAL_METHOD 2) the C library's functions stand in.
inline constexpr bool exactDoubleArithmetic =
    FLT_EVAL_METHOD == 0 && !rewritesFloatingPoint && std::numeric_limits<double>::is_iec559 &&
    std::numeric_limits<double>::digits == 53 && std::numeric_limits<float>::is_iec559 &&
    std::numeric_limits<float>::digits == 24;

// value rounded to double, then to T if T is float. Where the compiler keeps wider
// intermediates a cast alone need not round, so the value passes through memory instead.
template <typename T>
inline T roundedTo(double value)
{
    if constexpr (exactDoubleArithmetic) {
        return static_cast<T>(value);
    } else {
        const volatile double asDouble = value;
        const volatile T asT = static_cast<T>(asDouble);
        return asT;
    }
}
