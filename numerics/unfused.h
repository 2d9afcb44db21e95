// Marks the arithmetic that must round every operation on its own. GCC and Clang fuse a
// product and a sum into one multiply-add where the hardware has it, unless told not to; the
// code between NUMERICS_UNFUSED_BEGIN and NUMERICS_UNFUSED_END is not fused, whatever flags
// the including file is compiled with (but Clang's -ffp-contract=fast, which overrides it).
#pragma once

#if defined(__clang__) && defined(__wasm__)
// WebAssembly has no fused multiply-add: a product and a sum always round apart.
#define NUMERICS_UNFUSED_BEGIN
#define NUMERICS_UNFUSED_END
#elif defined(__clang__)
// Clang 14 keeps float_control's stack only on some targets (x86, s390x) and ignores it, with
// a warning, on others (ARM): there the contract stays off to the end of the including file,
// which can unfuse that file's later code but never fuse this one's.
#define NUMERICS_UNFUSED_BEGIN                                               \
    _Pragma("clang diagnostic push") _Pragma("clang diagnostic ignored \"-Wignored-pragmas\"") \
    _Pragma("float_control(push)") _Pragma("clang diagnostic pop") _Pragma("clang fp contract(off)")
#define NUMERICS_UNFUSED_END                                                 \
    _Pragma("clang diagnostic push") _Pragma("clang diagnostic ignored \"-Wignored-pragmas\"") \
    _Pragma("float_control(pop)") _Pragma("clang diagnostic pop")
#elif defined(__GNUC__)
// GCC honours no STDC FP_CONTRACT pragma in C++, but takes the option per function. A caller
// compiled with fusing on does not inline these functions, so a product stays unfused there.
#define NUMERICS_UNFUSED_BEGIN \
    _Pragma("GCC push_options") _Pragma("GCC optimize(\"fp-contract=off\")")
#define NUMERICS_UNFUSED_END _Pragma("GCC pop_options")
#else
#define NUMERICS_UNFUSED_BEGIN
#define NUMERICS_UNFUSED_END
#endif
