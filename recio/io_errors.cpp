// recio/io_errors.cpp: the packed table of I/O error codes and their message texts.
#include "recio/io_errors.hpp"

#include <array>
#include <utility>

namespace recio {

namespace {
constexpr std::array<std::pair<io_error, std::string_view>, 24> error_table{{
    {io_error::none, "no error"},
    {io_error::file_not_found, "file not found"},
    {io_error::permission_denied, "permission denied"},
    {io_error::cannot_open, "cannot open file"},
    {io_error::end_of_file, "end of file encountered"},
    {io_error::invalid_integer, "invalid integer"},
    {io_error::invalid_real, "invalid real"},
    {io_error::integer_out_of_range, "integer out of range"},
    {io_error::real_out_of_range, "real out of range"},
    {io_error::read_failed, "read error"},
    {io_error::write_failed, "write error"},
    {io_error::close_failed, "close error"},
    {io_error::record_too_long, "record too long"},
    {io_error::file_in_use, "file in use by another program"},
    {io_error::no_space, "no space left on device"},
    {io_error::quota_exceeded, "disk quota exceeded"},
    {io_error::read_only_file_system, "read-only file system"},
    {io_error::busy, "device or resource busy"},
    {io_error::too_many_links, "too many links"},
    {io_error::unit_out_of_range, "unit number out of range"},
    {io_error::unit_not_connected, "unit not connected"},
    {io_error::name_too_long, "file name too long"},
    {io_error::link_loop, "too many levels of symbolic links"},
    {io_error::not_regular_file, "not a regular file"},
}};

constexpr std::array<std::string_view, 10> statement_labels{
    ": OPEN(",    ": CLOSE(",  ": READ(",      ": WRITE(",   ": INQUIRE(",
    ": ENDFILE(", ": REWIND(", ": BACKSPACE(", ": LOCKING(", ": EOF("};
}  // namespace

std::string_view error_text(io_error e) {
  for (const auto& [code, text] : error_table)
    if (code == e) return text;
  return "unknown error";
}

std::string_view statement_label(statement_kind k) {
  return statement_labels[static_cast<std::size_t>(k)];
}

}  // namespace recio
