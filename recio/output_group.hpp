// recio/output_group.hpp: what the files of the record layer ask of the group of outputs that a
// batch of the command line commits together.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/os.hpp"
#include "recio/recio.hpp"

namespace recio {

// The rules that set_output_rules set last.
const output_rules& output_rules_now();
// Commits a closed output of a batch: one that may wait joins the group, and the group is
// committed when it is full; any other is committed at once. name is the output's for its
// settled_output, bytes its size. Returns the outcome of a commit done at once, else none.
io_error wait_in_group(os::output_file& out, std::string_view name, std::uint64_t bytes);

}  // namespace recio
