// The bits of a value read as another type of the same size. std::bit_cast where the standard
// library has it; elsewhere (LLVM 14's libc++, which Emscripten 3.1 brings) a copy, which
// compilers turn into the same register move.
#pragma once

#include <cstring>
#include <type_traits>
#include <version>

#if defined(__cpp_lib_bit_cast)
#include <bit>
#endif

template <typename To, typename From>
inline To bitCast(const From& from)
{
    static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<From> &&
                  std::is_trivially_copyable_v<To>);
#if defined(__cpp_lib_bit_cast)
    return std::bit_cast<To>(from);
#else
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
#endif
}
