// recio/os.hpp: what the operating system does for the record layer: the standard streams, files
// and their bytes, output files that replace the file of their name whole or not at all, and the
// local clock. One implementation per system: os_posix.cpp, os_windows.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "recio/io_errors.hpp"

namespace recio::os {

// The standard streams' descriptors.
inline constexpr int standard_input = 0;
inline constexpr int standard_output = 1;
inline constexpr int standard_error = 2;

// Makes the standard streams carry bytes unchanged: an LF written is not preceded by a CR, and a
// CR LF read stays two bytes. Called once at the start of the run.
void prepare_standard_streams();
// Whether standard input and standard output are both an interactive console.
bool interactive_console();

// Whether the descriptor is an interactive terminal.
bool is_terminal(int fd);
// The width in characters of the terminal on the descriptor; 0 when it is none or does not say.
int terminal_columns(int fd);

// Reads at most n bytes: gives back how many, 0 at the end of the input, -1 when the read fails.
std::int64_t read_some(int fd, char* bytes, std::size_t n);
// The same from the place at in the file.
std::int64_t read_at(int fd, char* bytes, std::size_t n, std::uint64_t at);
// Writes all n bytes; false when they cannot all be written.
bool write_all(int fd, const char* bytes, std::size_t n);
// Cuts the file at size bytes; the next write goes there.
bool cut_at(int fd, std::uint64_t size);
// Closes a file opened for reading; false when the system reports a failure.
bool close_file(int fd);
// Whether the file is a regular file, whose size it gives; false for a device, a pipe or a
// console.
bool regular_file_size(int fd, std::uint64_t& size);

// The command line's words in UTF-8, the program's name first, as main got them in argc and argv.
std::vector<std::string> command_line(int argc, char** argv);

// The local date and time, to the millisecond.
struct clock_reading {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
clock_reading local_clock();

// An output file. A regular file, or a name not in use yet, is written to a temporary file
// (staged), which takes the name's place when it is committed: its bytes reach the disk first, then
// the name, then the folder, so that even a power cut leaves the old file or the new one. Until
// then the name keeps what it held, whatever becomes of the run. An existing file that cannot be
// replaced (its folder takes no new names, or only its owner may rename it) gets the staged bytes
// copied into it at the commit instead. Devices, pipes and other files that are not regular are
// written directly, and so is such a file when no temporary file can be had anywhere.
struct output_file {
  int fd = -1;         // where the bytes go
  int source_fd = -1;  // staged over an existing file that is also read: that file, for reading
  int target_fd = -1;  // copied: the existing file, which takes the bytes at the commit
  bool staged = false;
  bool copied = false;   // staged, and copied into the existing file rather than renamed
  bool existed = false;  // the name stood for a file before the open
  bool regular = true;   // the bytes go to a plain file, which can be cut
  bool anonymous = false;  // the temporary file has no name yet
  std::string target;      // the file that a commit replaces, symbolic links followed
  std::string temporary;   // the temporary file's name, once it has one
  int folder_fd = -1;      // POSIX: the target's folder, reached part by part
  bool folder_kept = false;            // that folder is the batch's, closed by close_output_folders
  std::string name;                    // POSIX: the target's own name in that folder
  std::uint32_t kept_attributes = 0;   // the old file's permission bits or attributes
  std::uint32_t owner = 0, group = 0;  // the old file's owner and group, where a system has them
};

// Every name is UTF-8, whatever the system.
// Opens an existing file for reading; a folder is refused. Returns io_error::none or why not.
io_error open_input(const char* name, int& fd);
// What the command line asks of its outputs beyond what the dialogue does.
struct output_options {
  bool regular_only = false;  // a FIFO, socket or device is refused, never opened for writing
  bool kept_folders = false;  // each folder is opened once and kept until close_output_folders
};
// Opens name for writing (read_too: for reading as well, as a byte stream that is updated). A
// direct open of an existing file with truncate cuts it to nothing, as a new text file replacing
// it would be. Every folder on the way is passed through only where the kernel's rule for
// protected links would follow a link there: another user's link or folder in a folder that
// others may write, or that has the sticky bit, is refused with permission_denied. Returns
// io_error::none, or why the file cannot be opened; nothing is created then.
io_error open_output(const char* name, bool read_too, bool truncate, output_file& out,
                     const output_options& options = {});
// Puts a staged file in place of its name once its bytes are on the disk, and closes it; flushes a
// direct one that is a plain file to the disk and closes it. A staged file that cannot be put in
// place is removed, and the name keeps what it held.
io_error commit_output(output_file& out);
// Closes the file; a staged file is removed, so that the name keeps what it held.
void discard_output(output_file& out);

// Whether a committed output may wait to be put in place with others (commit_together): a staged
// file that takes its name's place by a rename.
bool may_wait(const output_file& out);
// Readies such an output to wait: what guarded the old file guards it, and it reads nothing more.
void ready_to_wait(output_file& out);
// Commits outputs that waited, together: their bytes reach the disk in as few flushes as the
// system allows, then each takes its name's place, then each folder reaches the disk once.
// errors[i] gets output i's outcome, as commit_output gives it; each output is closed.
void commit_together(std::span<output_file> outs, std::span<io_error> errors);
// Creates the folder path and the folders above it that are not there yet. On POSIX systems each
// is made inside a folder reached as an output's folder is (see open_output), so that no link or
// folder that another user planted is passed through: such a one gives permission_denied.
std::error_code create_folders(const std::string& path);
// Closes the folders kept for a batch's outputs.
void close_output_folders();
// The temporary files left by runs that have ended (their process is gone) that the opens of
// outputs have removed since the last call, each named by its folder and name.
std::vector<std::string> take_removed_temporaries();

}  // namespace recio::os
