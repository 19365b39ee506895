// tests/support/file_system_image.cpp: file system images on loop devices, and their power cut.
#include "tests/support/file_system_image.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "tests/support/run_program.hpp"

namespace test_support {

namespace fs = std::filesystem;

bool shell(const std::string& command) {
  return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

std::string why_no_images() {
  if (::geteuid() != 0) return "mounting file system images needs root";
  if (!fs::exists("/dev/loop-control")) return "no loop devices";
  if (!shell("command -v mkfs.ext4 && command -v mkfs.xfs"))
    return "mkfs.ext4 or mkfs.xfs is missing (e2fsprogs, xfsprogs)";
  return "";
}

file_system_image::file_system_image(fs::path image, fs::path mounted, const std::string& make,
                                     std::string options, std::uintmax_t size)
    : image_(std::move(image)), mounted_(std::move(mounted)), options_(std::move(options)) {
  fs::remove(image_);
  write_file(image_, "");
  fs::resize_file(image_, size);
  fs::create_directories(mounted_);
  is_made_ = shell(make + " " + image_.string());
  is_mounted_ = is_made_ && mount();
}

file_system_image::~file_system_image() {
  if (is_mounted_) shell("umount " + mounted_.string());
  fs::remove(image_);
}

bool file_system_image::cut_power() const {
  const int fd = ::open(mounted_.c_str(), O_RDONLY);
  // XFS_IOC_GOINGDOWN with XFS_FSOP_GOING_FLAGS_LOGFLUSH; ext4 takes the same request.
  std::uint32_t flush_the_journal_only = 1;
  const int shut = ::ioctl(fd, _IOR('X', 125, std::uint32_t), &flush_the_journal_only);
  ::close(fd);
  return shut == 0;
}

bool file_system_image::mount_again() {
  is_mounted_ = !shell("umount " + mounted_.string());
  if (is_mounted_) return false;
  is_mounted_ = mount();
  return is_mounted_;
}

bool file_system_image::mount() const {
  return shell("mount -o loop" + options_ + " " + image_.string() + " " + mounted_.string());
}

}  // namespace test_support
