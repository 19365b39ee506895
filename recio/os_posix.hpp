// recio/os_posix.hpp: what the POSIX files of the record layer's system side share.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "recio/os.hpp"

namespace recio::os {

// open(2) with the descriptor closed on exec, tried again while a signal interrupts it.
int open_retrying(const char* path, int flags, mode_t mode = 0666);
// The same as openat(2), relative to the folder at.
int open_at(int at, const char* name, int flags, mode_t mode = 0666);

// The error that a test has this step fail with, or 0.
int failure_made(std::string_view step);

// Opens the folder that the output name lies in, part by part, and follows a symbolic link that
// name is, as the kernel would and only where it would (see open_output): out gets the folder
// (folder_fd, kept in the batch's folders when kept), the target's own name there and the target.
// The first time in a run that a folder is opened, the temporary files that runs now ended left
// there are removed. Returns 0, or errno: EACCES for a link or folder that is refused.
int open_output_folder(const std::string& name, bool kept, output_file& out);
// The first folder kept for the batch's outputs on the file system device, opened before any of
// the outputs in kept folders there; -1 for none.
int first_kept_folder(dev_t device);
// Removes from the folder fd the temporary files that runs now ended have left there (see
// temporary_name): only the runner's own plain files, of a process that is gone. Each is named
// for take_removed_temporaries with shown, the folder as the user named it ("." for none).
void remove_left_temporaries(int fd, const std::string& shown);

// The file's bytes reach the disk; the trace calls the step `step` for the output.
bool flush_to_disk(int fd, std::string_view step, const std::string& output);
// What guarded the old file guards the new one, before anyone else may open it.
void guard_like_the_old_file(output_file& out);
// The staged file takes its name's place. Returns 0 or errno.
int put_in_place(output_file& out);
// Closes a committed output, which failed with errno e unless e is 0 (it is then removed), and
// gives the outcome that commit_output reports.
io_error close_committed(output_file& out, int e);

}  // namespace recio::os
