// tests/support/capture.hpp: what a piece of the program writes to standard output or error.
#pragma once

#include <functional>
#include <string>

namespace test_support {

// The bytes that body writes to the descriptor fd (1 or 2), console buffer included.
std::string caught(int fd, const std::function<void()>& body);

}  // namespace test_support
