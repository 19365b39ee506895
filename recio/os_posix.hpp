// recio/os_posix.hpp: what the POSIX files of the record layer's system side share.
#pragma once

#include <sys/types.h>

namespace recio::os {

// open(2) with the descriptor closed on exec, tried again while a signal interrupts it.
int open_retrying(const char* path, int flags, mode_t mode = 0666);

}  // namespace recio::os
