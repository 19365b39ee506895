// formats/formats.cpp: the table of formats, and files read and written through it.
#include "formats/formats.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>
#include <stdexcept>
#include <vector>

#include "csv/csv.hpp"
#include "jcamp/jcamp.hpp"
#include "opus/opus.hpp"
#include "ramantext/ramantext.hpp"
#include "recio/recio.hpp"
#include "spa/spa.hpp"
#include "spc/spc_document.hpp"
#include "textfmt/textfmt.hpp"
#include "wdf/wdf.hpp"

namespace formats {

namespace {

// Binary formats are tried first, then labelled text; text shapes from the most particular (a Y
// head is also one value a record), and a table last, as a comma-separated XY file is read the
// same either way. Either SPC variant is read by the first SPC row.
constexpr std::array table{
    &wdf::format,
    &spc::format,       &spc::old_format,    &jcamp::format,   &ramantext::format,
    &opus::format,
    &spa::format,
    &textfmt::y_format, &textfmt::xy_format, &textfmt::six_column_format,
    &csv::format,
};

bool same_letters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
           return std::tolower(static_cast<unsigned char>(p)) ==
                  std::tolower(static_cast<unsigned char>(q));
         });
}

// A stop or a fatal report of the record layer as a trouble of the file that it names.
spectrum::trouble trouble_of(const recio::failure& f) {
  spectrum::trouble t{f.text};
  t.line = static_cast<std::int64_t>(f.line);
  t.file = f.file;
  t.error = f.error;
  if (f.error != recio::io_error::none && f.kind == recio::statement_kind::write)
    t.reason = "cannot write: " + t.reason;
  else if (f.error != recio::io_error::none && f.kind == recio::statement_kind::open)
    t.reason = "cannot open: " + t.reason;
  return t;
}

// Runs work as recio::quietly does, and memory that cannot be had inside it as one more failure
// of the work: the thread's files are closed and its outputs dropped all the same, so that the
// next file finds the record layer as this one did.
template <class work_type>
spectrum::outcome guarded(work_type&& work) {
  const bool quiet = recio::set_quiet(true);  // the setting as it stands, put back at once
  recio::set_quiet(quiet);
  try {
    if (const auto f = recio::quietly(work)) return trouble_of(*f);
    return std::nullopt;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size beyond what a vector or a string can hold
  }
  recio::set_quiet(quiet);
  recio::close_thread_files(false);
  return spectrum::trouble{"out of memory"};
}

}  // namespace

std::span<const file_format* const> all() { return table; }

const file_format* named(std::string_view name) {
  for (const file_format* f : table)
    if (f->name == name) return f;
  return nullptr;
}

const file_format* of_extension(std::string_view file_name) {
  const auto slash = file_name.find_last_of("/\\");
  const auto dot = file_name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return nullptr;
  const std::string_view extension = file_name.substr(dot);
  for (const file_format* f : table)
    for (const std::string_view e : f->extensions)
      if (same_letters(e, extension)) return f;
  return nullptr;
}

const file_format* of_contents(spectrum::byte_view head) {
  for (const file_format* f : table)
    if (f->recognises != nullptr && f->recognises(head)) return f;
  return nullptr;
}

std::string names(bool for_output) {
  std::string list;
  for (const file_format* f : table) {
    if (for_output ? f->write == nullptr : f->read == nullptr) continue;
    if (!list.empty()) list += ", ";
    list += f->name;
  }
  return list;
}

spectrum::outcome read(const file_format& format, const spectrum::input_file& in,
                       const spectrum::read_options& reading, spectrum::document& doc) {
  spectrum::outcome result;
  if (auto t = guarded([&] { result = format.read(in, reading, doc); })) return t;
  return result;
}

std::uint64_t most_stream_bytes(std::size_t most_points) {
  constexpr std::uint64_t head = 1 << 16;
  constexpr std::uint64_t most = std::uint64_t{1} << 30;
  return most_points >= (most - head) / 64 ? most : head + 64 * std::uint64_t{most_points};
}

spectrum::outcome read_bytes(const std::string& path, std::uint64_t most,
                             std::vector<std::uint8_t>& bytes) {
  recio::read_stop stop = recio::read_stop::end;
  try {
    if (const recio::io_error e = recio::read_whole_file(path, bytes, most, stop);
        e != recio::io_error::none)
      return spectrum::trouble{"cannot read: " + std::string{recio::error_text(e)}, 0, -1, {}, e};
  } catch (const std::bad_alloc&) {
    return spectrum::trouble{"out of memory"};
  } catch (const std::length_error&) {  // a file larger than a vector can hold
    return spectrum::trouble{"out of memory"};
  }
  if (stop == recio::read_stop::grew) return spectrum::trouble{"the file grew while it was read"};
  if (stop == recio::read_stop::too_large)
    return spectrum::trouble{"larger than " + std::to_string(most) +
                             " bytes, the most read of a device, a pipe or standard input"};
  return std::nullopt;
}

loaded load(const std::string& path, std::string_view from, const spectrum::read_options& reading) {
  std::vector<std::uint8_t> bytes;
  if (spectrum::outcome t = read_bytes(path, most_stream_bytes(reading.most_points), bytes)) {
    loaded in;
    in.trouble = std::move(t);
    return in;
  }
  return load_bytes({bytes.data(), bytes.size()}, path, from, reading);
}

loaded load_bytes(spectrum::byte_view bytes, const std::string& name, std::string_view from,
                  const spectrum::read_options& reading) {
  loaded in;
  if (bytes.empty()) {
    in.trouble = spectrum::trouble{"no points"};
    return in;
  }
  in.seen = of_contents(bytes.first(std::min<std::size_t>(bytes.size(), 4096)));
  in.format = !from.empty() ? named(from) : in.seen != nullptr ? in.seen : of_extension(name);
  if (in.format == nullptr || in.format->read == nullptr) {  // a row that is only written
    in.format = nullptr;
    return in;
  }
  in.trouble = read(*in.format, {bytes, name}, reading, in.doc);
  if (in.trouble) return in;
  std::size_t points = 0;
  for (const spectrum::spectrum& t : in.doc.spectra) {
    if (t.y.size() > reading.most_points) {
      in.trouble = spectrum::too_many_points(reading.most_points);
      return in;
    }
    points += t.y.size();
  }
  if (!in.doc.spectra.empty() && points == 0) in.trouble = spectrum::trouble{"no points"};
  return in;
}

spectrum::outcome write(const file_format& format, const spectrum::document& doc,
                        const std::string& path, const spectrum::write_options& writing) {
  spectrum::outcome refused;
  auto t = guarded([&] {
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open_path(
        unit, path, format.binary ? recio::open_mode::binary_update : recio::open_mode::text_write);
    refused = format.write(doc, unit, writing);
    // A refused document leaves the file as it was.
    if (refused)
      recio::close_thread_files(false);
    else
      PUTCHAN(unit, status);
  });
  if (t) return t;
  if (refused) refused->reason = "cannot write " + path + ": " + refused->reason;
  return refused;
}

spectrum::outcome write_bytes(std::string_view bytes, const std::string& path) {
  return guarded([&] {
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open_path(unit, path, recio::open_mode::binary_update);
    recio::write_bytes(unit, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    PUTCHAN(unit, status);
  });
}

}  // namespace formats
