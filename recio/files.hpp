// recio/files.hpp: the files connected to I/O units, as the statements of the record layer reach
// them.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/record_output.hpp"
#include "recio/record_reader.hpp"
#include "recio/values.hpp"

namespace recio::files {

// Where the records of a write on u go; ends the run when u has no text file open for writing.
record_sink text_sink(unit_number u);
// Where the records of a read on u come from; ends the run when u has no text file open for
// reading.
record_reader& text_reader(unit_number u);
// The number of the record last read from the text file on u, counting from 1; 0 when none.
std::uint64_t line_of(unit_number u);
// The name of the file connected to u, for the fatal I/O report; empty when none is.
std::string_view name_of(unit_number u);
// Writes what is buffered and closes every file still open, at the end of the run: outputs take
// their names' places when keep_outputs is set (a normal end), and are dropped otherwise, so that
// a failed run leaves every name as it was. Gives back the name of a file whose records could not
// be written or put in place, or an empty name.
std::string_view close_all(bool keep_outputs);
// Gives back the memory of this thread's files, which close_all has closed.
void release_thread_files();

}  // namespace recio::files
