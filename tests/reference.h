// What the unit tests compare the model with, and how a sweep over many cases reports.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

// The galaxy is defined by its formulas with correctly rounded functions. glibc's sine and
// cosine give those roundings for every float angle (bench/trig_sweep.cpp checks them
// all), so where glibc is the C library, the tests compare with it directly. Other runtimes
// (Wine's msvcrt, the x87 instructions, musl) are no reference: there the tests compare with
// values recorded on Linux.
#if defined(__GLIBC__)
inline constexpr bool libraryIsTheReference = true;
#else
inline constexpr bool libraryIsTheReference = false;
#endif

// The cases of a sweep that failed: how many, and the first few, in one message.
class Mismatches {
public:
    void add(const std::string& description)
    {
        if (count_ < shown) {
            cases_ += "\n  " + description;
        }
        ++count_;
    }

    testing::AssertionResult none() const
    {
        if (count_ == 0) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << count_ << " cases fail; the first of them:" << cases_;
    }

private:
    static constexpr std::size_t shown = 5;
    std::size_t count_ = 0;
    std::string cases_;
};
