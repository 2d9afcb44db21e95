// Error-free sums and products of doubles, and arithmetic on unevaluated sums of two doubles.
// Used only where exactDoubleArithmetic holds: each step relies on every double operation
// rounding to nearest binary64, as written, with no fused multiply-add.
#pragma once

#include "unfused.h"

NUMERICS_UNFUSED_BEGIN

namespace doubleDouble {

// A value carried as high + low, with |low| at most half a unit in the last place of high:
// about 106 significant bits.
struct Value {
    double high;
    double low;
};

// value in two halves of 26 bits or fewer (Veltkamp), so that the product of any two halves
// is exact in double. Exact for |value| below 2^995.
struct Halves {
    double high;
    double low;
};

inline Halves split(double value)
{
    const double scaled = value * 134217729.0;  // 2^27 + 1
    const double high = scaled - (scaled - value);
    return {high, value - high};
}

// a + b exactly: the rounded sum and its rounding error (Knuth).
inline Value twoSum(double a, double b)
{
    const double sum = a + b;
    const double bPart = sum - a;
    const double aPart = sum - bPart;
    return {sum, (a - aPart) + (b - bPart)};
}

// a + b exactly, where |a| >= |b| or a is zero (Dekker).
inline Value fastTwoSum(double a, double b)
{
    const double sum = a + b;
    return {sum, b - (sum - a)};
}

// a * b exactly: the rounded product and its rounding error, barring underflow.
inline Value twoProduct(double a, double b)
{
    const double product = a * b;
    const Halves x = split(a);
    const Halves y = split(b);
    const double error =
        ((x.high * y.high - product) + x.high * y.low + x.low * y.high) + x.low * y.low;
    return {product, error};
}

inline Value operator-(Value a)
{
    return {-a.high, -a.low};
}

// a + b within about 2^-105 of the sum's size, even where the two nearly cancel.
inline Value add(Value a, Value b)
{
    const Value high = twoSum(a.high, b.high);
    const Value low = twoSum(a.low, b.low);
    const Value first = fastTwoSum(high.high, high.low + low.high);
    return fastTwoSum(first.high, first.low + low.low);
}

// a + b, for a double b.
inline Value add(Value a, double b)
{
    const Value sum = twoSum(a.high, b);
    return fastTwoSum(sum.high, sum.low + a.low);
}

// a * b within about 2^-104 of the product.
inline Value multiply(Value a, Value b)
{
    const Value product = twoProduct(a.high, b.high);
    return fastTwoSum(product.high, product.low + (a.high * b.low + a.low * b.high));
}

}  // namespace doubleDouble

NUMERICS_UNFUSED_END
