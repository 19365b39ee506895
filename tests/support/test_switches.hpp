// tests/support/test_switches.hpp: the file layer's switches for tests, set for the program's runs.
#pragma once

#include <stdlib.h>

#include <filesystem>

namespace test_support {

// Each step named in steps (such as "flush:EIO") fails with its error in the program's runs while
// this lives; an empty steps makes none fail.
struct failures_made {
  explicit failures_made(const char* steps) {
    if (*steps != '\0') ::setenv("ZOLKDF_TEST_FAIL", steps, 1);
  }
  ~failures_made() { ::unsetenv("ZOLKDF_TEST_FAIL"); }
};

// Its twin, which has the program record the steps taken on outputs in the file given.
struct steps_traced {
  explicit steps_traced(std::filesystem::path trace) : file(std::move(trace)) {
    ::setenv("ZOLKDF_TEST_TRACE", file.c_str(), 1);
  }
  ~steps_traced() {
    ::unsetenv("ZOLKDF_TEST_TRACE");
    std::filesystem::remove(file);
  }
  std::filesystem::path file;
};

}  // namespace test_support
