#pragma once
// How a fuzz target reports a broken invariant: a message and an abort, which libFuzzer records as a
// crash with the input that caused it.

#include <cstdio>
#include <cstdlib>

namespace vantle::fuzz {

inline void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace vantle::fuzz
