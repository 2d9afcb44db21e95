// Unsigned integers of a few 32-bit limbs, for the exact decisions between two roundings.
// Plain 32 x 32 -> 64-bit products, so that every target computes them the same way.
#pragma once

#include "bit_cast.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Little-endian: limb 0 is the least significant.
template <std::size_t N>
using Limbs = std::array<std::uint32_t, N>;

// The N lowest limbs of a * b.
template <std::size_t N, std::size_t A, std::size_t B>
constexpr Limbs<N> multiplyLimbs(const Limbs<A>& a, const Limbs<B>& b)
{
    Limbs<N> product{};
    for (std::size_t i = 0; i < A && i < N; ++i) {
        std::uint64_t carry = 0;
        std::size_t j = 0;
        for (; j < B && i + j < N; ++j) {
            const std::uint64_t sum = std::uint64_t{a[i]} * b[j] + product[i + j] + carry;
            product[i + j] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        if (i + j < N) {
            product[i + j] = static_cast<std::uint32_t>(carry);  // not yet written by a row
        }
    }
    return product;
}

// a * 2^shift, keeping N limbs.
template <std::size_t N>
constexpr Limbs<N> shiftedLeft(const Limbs<N>& a, unsigned shift)
{
    Limbs<N> result{};
    const std::size_t limbShift = shift / 32;
    const unsigned bitShift = shift % 32;
    for (std::size_t i = N; i-- > limbShift;) {
        const std::uint64_t wide = std::uint64_t{a[i - limbShift]} << bitShift;
        result[i] |= static_cast<std::uint32_t>(wide);
        if (i + 1 < N) {
            result[i + 1] |= static_cast<std::uint32_t>(wide >> 32);
        }
    }
    return result;
}

// a < b.
template <std::size_t N>
constexpr bool lessThan(const Limbs<N>& a, const Limbs<N>& b)
{
    for (std::size_t i = N; i-- > 0;) {
        if (a[i] != b[i]) {
            return a[i] < b[i];
        }
    }
    return false;
}

// A positive normal float as mantissa 2^exponent, for an integer mantissa of 24 bits.
struct ScaledInteger {
    std::uint32_t mantissa;
    int exponent;
};

inline ScaledInteger scaledInteger(float positive)
{
    const std::uint32_t bits = bitCast<std::uint32_t>(positive);
    return {(bits & 0x7FFFFFu) | 0x800000u, static_cast<int>(bits >> 23) - 150};
}
