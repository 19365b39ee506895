// tests/support/scratch_test.hpp: tests that work in a fresh folder of their own, as the program
// does: file names have 12 characters, so the files lie in the working folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "recio/files.hpp"
#include "spectrum/fixed_spectrum.hpp"
#include "tests/support/run_program.hpp"

namespace test_support {

// What a reader gives back besides the arrays.
struct points_read {
  std::int32_t count = -1;
  float first_x = -1.0f;
  float last_x = -1.0f;
};

class scratch_test : public testing::Test {
 protected:
  void SetUp() override {
    folder = scratch_folder("unit");
    home = std::filesystem::current_path();
    std::filesystem::current_path(folder);
  }
  void TearDown() override {
    // A run that a test ended leaves its files open, as the program's end would not: Windows
    // removes no folder that holds an open file.
    recio::files::close_all(false);
    std::filesystem::current_path(home);
    std::filesystem::remove_all(folder);
  }
  static spectrum::file_name name_of(const std::string& name) {
    spectrum::file_name n;
    n.assign(name);
    return n;
  }
  std::filesystem::path folder;
  std::filesystem::path home;
};

}  // namespace test_support
