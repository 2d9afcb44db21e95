// Comparisons to the bit and the digest of many values, for the unit tests (tests/) and the
// sweep (bench/trig_sweep.cpp).
#pragma once

#include "bit_cast.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// To the bit, but any NaN equals any other: a C runtime may give NaNs of either sign from
// two entry points to the same function (mingw-w64's sin and msvcrt's, for one).
inline bool sameBits(float a, float b)
{
    return bitCast<std::uint32_t>(a) == bitCast<std::uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

// FNV-1a over 32-bit words, low half first for doubles, as tests/vectors/star_vectors.py
// digests the same values.
class Digest {
public:
    void addWord(std::uint32_t word) { value_ = (value_ ^ word) * 0x100000001b3u; }

    // Taken apart by value, not through memory, so that a big-endian machine digests the
    // same halves in the same order.
    void add(double value)
    {
        const auto bits = bitCast<std::uint64_t>(value);
        addWord(static_cast<std::uint32_t>(bits));
        addWord(static_cast<std::uint32_t>(bits >> 32));
    }

    // Floats, and structures of floats: each 32-bit word is one float.
    template <typename T>
    void add(const T& value)
    {
        std::uint32_t words[sizeof(T) / 4];
        std::memcpy(words, &value, sizeof words);
        for (const std::uint32_t word : words) {
            addWord(word);
        }
    }

    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325u;
};
