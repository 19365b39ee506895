// recio/os.hpp: what the operating system does for the file side of the record layer: output files
// that replace the file of their name whole, in one step, or not at all.
#pragma once

#include <cstdint>
#include <string>

#include "recio/io_errors.hpp"

namespace recio::os {

// An output file. A regular file, or a name not in use yet, is written to a temporary file in the
// same folder (staged), which takes the name's place when it is committed; until then the name
// keeps what it held, whatever becomes of the run. Devices, pipes and other files that are not
// regular are written directly, and so is an existing file in a folder that refuses new files.
struct output_file {
  int fd = -1;         // where the bytes go
  int source_fd = -1;  // staged over an existing file that is also read: that file, for reading
  bool staged = false;
  bool existed = false;  // the name stood for a file before the open
  bool regular = true;   // the bytes go to a plain file, which can be cut
  bool anonymous = false;  // the temporary file has no name yet
  std::string target;      // the file that a commit replaces, symbolic links followed
  std::string temporary;   // the temporary file's name, once it has one
};

// Opens an existing file for reading; a folder is refused. Returns io_error::none or why not.
io_error open_input(const char* name, int& fd);
// Opens name for writing (read_too: for reading as well, as a byte stream that is updated). A
// direct open of an existing file with truncate cuts it to nothing, as a new text file replacing
// it would be. Returns io_error::none, or why the file cannot be opened; nothing is created then.
io_error open_output(const char* name, bool read_too, bool truncate, output_file& out);
// Puts a staged file in place of its name and closes it; closes a direct one. A staged file that
// cannot be put in place is removed, and the name keeps what it held.
io_error commit_output(output_file& out);
// Closes the file; a staged file is removed, so that the name keeps what it held.
void discard_output(output_file& out);

}  // namespace recio::os
