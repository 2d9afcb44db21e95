// The C library's sine and cosine replaced (through -Wl,--wrap) by the x87 instructions, as
// 32-bit Windows runtimes compute them: fsin and fcos reduce the angle with a 66-bit pi.
// For |angle| below 2^63, the range of the instructions and of every star's phase.
extern "C" double __wrap_sin(double angle)
{
    long double value = angle;
    asm("fsin" : "+t"(value));
    return static_cast<double>(value);
}

extern "C" double __wrap_cos(double angle)
{
    long double value = angle;
    asm("fcos" : "+t"(value));
    return static_cast<double>(value);
}

// GCC joins a sine and a cosine of the same angle into one call of sincos.
extern "C" void __wrap_sincos(double angle, double* sine, double* cosine)
{
    *sine = __wrap_sin(angle);
    *cosine = __wrap_cos(angle);
}
