// cli/load.cpp: an input file read into a document, and the reports of a file's trouble.
#include "cli/load.hpp"

#include <algorithm>

#include "recio/recio.hpp"

namespace cli {

std::string report(const std::string& path, const spectrum::trouble& t) {
  std::string line = "zolkdf: " + path + ": ";
  if (t.line > 0) line += "line " + std::to_string(t.line) + ": ";
  if (t.offset >= 0) line += "byte " + std::to_string(t.offset) + ": ";
  return line + t.reason + "\n";
}

std::string report_failure() {
  const recio::failure& f = recio::last_failure();
  recio::close_thread_files(false);
  spectrum::trouble t{f.text};
  t.line = static_cast<std::int64_t>(f.line);
  if (f.error != recio::io_error::none && f.kind == recio::statement_kind::write)
    t.reason = "cannot write: " + t.reason;
  else if (f.error != recio::io_error::none && f.kind == recio::statement_kind::open)
    t.reason = "cannot open: " + t.reason;
  return report(f.file, t);
}

loaded load(const std::string& path, const std::string& from,
            const spectrum::read_options& reading) {
  loaded in;
  std::vector<std::uint8_t> bytes;
  if (const recio::io_error e = recio::read_whole_file(path, bytes); e != recio::io_error::none) {
    in.error = report(path, {"cannot read: " + std::string{recio::error_text(e)}});
    return in;
  }
  const spectrum::byte_view head{bytes.data(), std::min<std::size_t>(bytes.size(), 4096)};
  const file_format* seen = format_of_contents(head);
  in.format = !from.empty() ? format_named(from) : seen != nullptr ? seen : format_of_extension(path);
  if (in.format == nullptr) {
    in.error = report(path, {"cannot tell the format of " + path + "; give -f"});
    return in;
  }
  try {
    const spectrum::outcome t = in.format->read({{bytes.data(), bytes.size()}, path}, reading, in.doc);
    if (t) in.error = report(path, *t);
  } catch (const recio::run_ended&) {
    in.error = report_failure();
  }
  // A file given the wrong -f: say what it looks like.
  if (!in.error.empty() && seen != nullptr && seen != in.format) {
    in.error.pop_back();
    in.error += " (it looks like " + std::string{seen->title} + ": give -f " +
                std::string{seen->name} + ", or leave -f out)\n";
  }
  if (in.error.empty() && in.doc.spectra.empty())
    in.error = report(path, {"holds no spectrum"});
  return in;
}

}  // namespace cli
