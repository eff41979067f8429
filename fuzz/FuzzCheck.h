#pragma once
// A broken promise found by a fuzz target: print what was expected and abort,
// so libFuzzer keeps the input as a crash reproducer.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                       \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "FUZZ_CHECK failed at %s:%d: %s\n  %s\n", __FILE__,     \
                         __LINE__, #condition, what);                                     \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
