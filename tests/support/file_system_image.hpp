// tests/support/file_system_image.hpp: a file system made in an image file and mounted through a
// loop device, and the power cut that the kernel's own file system tests make (Linux, as root).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace test_support {

// Runs a shell command quietly; true when it succeeds.
bool shell(const std::string& command);

// Why ext4 and XFS images cannot be made and mounted here, or an empty text when they can.
std::string why_no_images();

// A file system made by make ("mkfs.xfs -q -f") in the file image of size bytes, mounted at
// mounted with the options given (each after a comma); unmounted and removed at its end.
class file_system_image {
 public:
  file_system_image(std::filesystem::path image, std::filesystem::path mounted,
                    const std::string& make, std::string options, std::uintmax_t size = 320 << 20);
  ~file_system_image();
  file_system_image(const file_system_image&) = delete;
  file_system_image& operator=(const file_system_image&) = delete;

  bool is_made() const { return is_made_; }
  bool is_mounted() const { return is_mounted_; }
  // Shuts the file system down as a power cut would, its journal flushed and nothing else; true
  // when it is down.
  bool cut_power() const;
  // Unmounts it and mounts it again, its journal replayed; true when it is mounted again.
  bool mount_again();

 private:
  // Mounts the image at its folder; true when it is mounted.
  bool mount() const;
  std::filesystem::path image_, mounted_;
  std::string options_;
  bool is_made_ = false;
  bool is_mounted_ = false;
};

}  // namespace test_support
