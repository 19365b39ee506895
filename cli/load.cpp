// cli/load.cpp: an input file read into a document, and the reports of a file's trouble.
#include "cli/load.hpp"

#include "recio/shown_text.hpp"

namespace cli {

namespace {

// A reader's reason as a message shows it: it may quote the file's own text.
std::string shown_reason(const std::string& reason) {
  return recio::shown_text(reason, recio::shown_line_length);
}

}  // namespace

std::string shown_name(const std::string& name) {
  return recio::shown_text(name, recio::shown_line_length);
}

std::string report(const std::string& path, const spectrum::trouble& t) {
  std::string line = "zolkdf: " + shown_name(t.file.empty() ? path : t.file) + ": ";
  if (t.line > 0) line += "line " + std::to_string(t.line) + ": ";
  if (t.offset >= 0) line += "byte " + std::to_string(t.offset) + ": ";
  return line + shown_reason(t.reason) + "\n";
}

namespace {

// The file of path as the table of formats read it, its trouble reported.
loaded reported(const std::string& path, formats::loaded read) {
  loaded in{std::move(read.doc), read.format, {}};
  const auto fail = [&](spectrum::trouble t) {
    in.error = report(path, t);
    in.trouble = std::move(t);
  };
  if (in.format == nullptr && !read.trouble) {
    fail({"cannot tell the format of " + path + "; give -f"});
    return in;
  }
  if (!read.trouble) {
    if (in.doc.spectra.empty()) fail({"holds no spectrum"});
    for (const spectrum::trouble& w : in.doc.warnings) {
      const std::string where = w.line > 0 ? "line " + std::to_string(w.line) + ": " : "";
      in.warnings +=
          "zolkdf: " + shown_name(path) + ": warning: " + where + shown_reason(w.reason) + "\n";
    }
    return in;
  }
  fail(*read.trouble);
  // A file given the wrong -f: say what it looks like.
  if (read.seen != nullptr && in.format != nullptr && read.seen != in.format) {
    in.error.pop_back();
    in.error += " (it looks like " + std::string{read.seen->title} + ": give -f " +
                std::string{read.seen->name} + ", or leave -f out)\n";
  }
  return in;
}

}  // namespace

loaded load(const std::string& path, const std::string& from,
            const spectrum::read_options& reading) {
  return reported(path, formats::load(path, from, reading));
}

loaded load_bytes(spectrum::byte_view bytes, const std::string& name, const std::string& from,
                  const spectrum::read_options& reading) {
  return reported(name, formats::load_bytes(bytes, name, from, reading));
}

}  // namespace cli
