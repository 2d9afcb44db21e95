// Built with fusing on and the machine's own instructions, and without the numerics target's
// flags, as a file of another project might include the arithmetic: the same unit tests then
// run here, and every digest must still hold. This checks that this build does fuse.
#include <gtest/gtest.h>

TEST(Fusing, ThisBuildFusesItsOwnProductsAndSums)
{
// GCC says so with __FP_FAST_FMA; Clang with the instruction set's own macro.
#if !defined(__FP_FAST_FMA) && !defined(__ARM_FEATURE_FMA) && !defined(__FMA__)
    GTEST_SKIP() << "this machine has no fused multiply-add";
#else
    // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60: rounded apart, the 2^-60 is lost before the sum.
    volatile double a = 1.0 + 0x1p-30;
    volatile double c = -(1.0 + 0x1p-29);
    EXPECT_EQ(a * a + c, 0x1p-60);
#endif
}
