#pragma once

#include <cstdio>
#include <cstdlib>

// A property that does not hold is a crash to libFuzzer, which then keeps the input that shows it.
#define FUZZ_CHECK(condition)                                                                                \
    ((condition) ? static_cast<void>(0) : Fuzz::fail(#condition, __FILE__, __LINE__))

namespace Fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
    std::abort();
}

} // namespace Fuzz
