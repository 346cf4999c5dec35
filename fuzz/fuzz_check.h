#pragma once
// A fuzz property that does not hold stops the run with a message.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, ...)                                         \
  do {                                                                \
    if (!(cond)) {                                                    \
      std::fprintf(stderr, "property failed: %s\n  ", #cond);         \
      std::fprintf(stderr, __VA_ARGS__);                              \
      std::fprintf(stderr, "\n");                                     \
      std::abort();                                                   \
    }                                                                 \
  } while (0)
