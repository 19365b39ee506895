// python/files.cpp: files read and written from Python through the table of formats, as the
// command line reads and writes them, with the interpreter's lock let go while they are.
#include <pybind11/stl.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cli/batch_plan.hpp"
#include "cli/load.hpp"
#include "formats/formats.hpp"
#include "python/bindings.hpp"
#include "recio/recio.hpp"
#include "spectrum/fields.hpp"

namespace python {

namespace {

namespace fs = std::filesystem;
using formats::file_format;

// Gives back the record layer's memory of a thread when the thread ends: Python's threads are
// not the program's own, which give it back themselves.
struct thread_end {
  ~thread_end() { recio::end_thread(); }
};
void mark_thread() {
  thread_local thread_end end;
  (void)end;
}

// A path as the table of formats takes it: "-" is a file of that name, not a standard stream.
std::string file_path(const py::handle& path) {
  std::string p = path_bytes(path);
  return p == "-" ? "./-" : p;
}

spectrum::read_options reading_of(const std::optional<std::pair<int, int>>& columns,
                                  std::optional<std::size_t> max_points) {
  spectrum::read_options r;
  if (columns) {
    r.x_column = columns->first;
    r.y_column = columns->second;
  }
  if (max_points) r.most_points = *max_points;
  return r;
}

// The command line's line for the trouble of the file at path, without its line end.
std::string message_of(const std::string& path, const spectrum::trouble& t) {
  std::string line = cli::report(path, t);
  line.pop_back();
  return line;
}

// The document of a file read, its warnings issued, or its trouble raised.
document_handle document_of(cli::loaded in, const std::string& name) {
  warn(in.warnings);
  if (!in.error.empty()) raise(name, in.trouble, in.error.substr(0, in.error.size() - 1));
  return document_handle{std::make_shared<spectrum::document>(std::move(in.doc))};
}

// Refuses a format to read that is not one of those read.
void check_format(const std::optional<std::string>& format) {
  const file_format* f = format ? formats::named(*format) : nullptr;
  if (format && (f == nullptr || f->read == nullptr))
    throw py::value_error("no format read is named " + *format + "; they are " +
                          formats::names(false));
}

// The format to write: the one named, else the one that the path's extension names.
const file_format& output_format(const std::optional<std::string>& format,
                                 const std::string& path) {
  const file_format* to = format ? formats::named(*format) : formats::of_extension(path);
  if (to == nullptr || to->write == nullptr) {
    if (format || path.empty())
      throw py::value_error("give format= one of " + formats::names(true));
    throw py::value_error("cannot tell the format of " + cli::shown_name(path) +
                          " from its extension; give format=");
  }
  return *to;
}

spectrum::write_options writing_of(const std::optional<std::string>& jcamp_form,
                                   const std::optional<std::string>& memo) {
  spectrum::write_options w;
  if (jcamp_form && *jcamp_form != "affn" && *jcamp_form != "dif")
    throw py::value_error("jcamp_form is dif (compressed) or affn (plain), not " + *jcamp_form);
  w.jcamp_affn = jcamp_form == "affn";
  w.memo = memo;
  return w;
}

// The document of a Document, or of a Spectrum alone (one of several is taken out of its own).
std::shared_ptr<spectrum::document> written_document(const py::handle& what) {
  if (py::isinstance<document_handle>(what)) return what.cast<document_handle&>().doc;
  if (!py::isinstance<spectrum_handle>(what))
    throw py::type_error("write takes a zolkdf.Document or a zolkdf.Spectrum");
  const spectrum_handle& h = what.cast<spectrum_handle&>();
  if (h.doc->spectra.size() == 1) return h.doc;
  auto one = std::make_shared<spectrum::document>();
  one->x_unit = h.doc->x_unit;
  one->y_unit = h.doc->y_unit;
  one->z_unit = h.doc->z_unit;
  one->spectra.push_back(h.get());
  return one;
}

// Writes the document as the format on path, or raises what stopped it, in the command line's
// words for a conversion of the file input, or else for the output shown by the name shown.
void write_file(const file_format& to, const spectrum::document& doc, const std::string& path,
                const spectrum::write_options& writing, const std::string& input,
                const std::string& shown) {
  if (!cli::written_whole({}, to, doc.spectra))
    throw py::value_error(std::string{to.title} + " holds one spectrum a file, and this document " +
                          "has " + std::to_string(doc.spectra.size()) +
                          ": write its spectra one by one, or use convert");
  spectrum::outcome t;
  {
    py::gil_scoped_release unlocked;
    mark_thread();
    t = formats::write(to, doc, path, writing);
  }
  if (!t) return;
  // A refusal of the document names the output in its reason: "cannot write a.xy: ...".
  for (std::size_t at = 0; shown != path && (at = t->reason.find(path, at)) != std::string::npos;
       at += shown.size())
    t->reason.replace(at, path.size(), shown);
  const std::string file = t->file.empty() ? shown : t->file;
  raise(file, *t, !input.empty() ? message_of(input, *t)
                  : t->file.empty() ? "zolkdf: " + cli::shown_name(t->reason)
                                    : message_of(file, *t));
}

// A name for a file of dumps that no other call takes: the process, a counter and chance.
std::string scratch_name() {
  static std::atomic<unsigned long> count{0};
  thread_local std::mt19937_64 chance{std::random_device{}()};
  return "zolkdf-dumps-" + std::to_string(count++) + "-" + std::to_string(chance()) + ".tmp";
}

}  // namespace

void define_files(py::module_& m) {
  m.def(
      "read",
      [](const py::object& path, const std::optional<std::string>& format,
         const std::optional<std::pair<int, int>>& columns, std::optional<std::size_t> max_points) {
        check_format(format);
        const std::string p = file_path(path);
        const spectrum::read_options reading = reading_of(columns, max_points);
        cli::loaded in;
        {
          py::gil_scoped_release unlocked;
          mark_thread();
          in = cli::load(p, format.value_or(""), reading);
        }
        return document_of(std::move(in), p);
      },
      "path"_a, "format"_a = py::none(), py::kw_only(), "columns"_a = py::none(),
      "max_points"_a = py::none(),
      R"(Reads a file into a Document.

path is a str, bytes or os.PathLike. The format is the one named ("spc", "jcamp", "csv", ...;
see formats()), else the one its contents show, else its extension's. columns=(x, y) takes the
columns of a table (counting from 1; y 0: every column but x); max_points refuses spectra of more
points (100,000,000 unless given). Raises zolkdf.Error for a file that cannot be read as the
format, FileNotFoundError, PermissionError or another OSError where the system refuses it;
damage passed over is issued as a UserWarning.)");
  m.def(
      "loads",
      [](const py::bytes& data, const std::optional<std::string>& format,
         const std::string& name, const std::optional<std::pair<int, int>>& columns,
         std::optional<std::size_t> max_points) {
        check_format(format);
        const spectrum::read_options reading = reading_of(columns, max_points);
        const std::string_view bytes = data;  // the bytes object lives on, and does not change
        cli::loaded in;
        {
          py::gil_scoped_release unlocked;
          mark_thread();
          in = cli::load_bytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                               name, format.value_or(""), reading);
        }
        return document_of(std::move(in), name);
      },
      "data"_a, "format"_a = py::none(), py::kw_only(), "name"_a = "<bytes>",
      "columns"_a = py::none(), "max_points"_a = py::none(),
      R"(Reads a file's bytes held in memory (an upload) into a Document, as read() reads a file.

name is the file's name in messages, whose extension tells the format where neither format nor
the contents do.)");
  m.def(
      "write",
      [](const py::object& what, const py::object& path, const std::optional<std::string>& format,
         const std::optional<std::string>& jcamp_form, const std::optional<std::string>& memo) {
        const std::string p = file_path(path);
        const file_format& to = output_format(format, p);
        write_file(to, *written_document(what), p, writing_of(jcamp_form, memo), "", p);
      },
      "what"_a, "path"_a, "format"_a = py::none(), py::kw_only(), "jcamp_form"_a = py::none(),
      "memo"_a = py::none(),
      R"(Writes a Document or a Spectrum to path, as the format named or else the path's extension's.

The file takes the new bytes whole, or keeps what it held when the writing fails. jcamp_form is
"dif" (compressed, the default) or "affn" (plain numbers); memo replaces the title of SPC
outputs. A document of several spectra goes only to a format that holds several (SPC, JCAMP-DX,
and CSV where they share their x). Raises zolkdf.Error for a value that the format cannot hold,
an OSError where the system refuses the file.)");
  m.def(
      "dumps",
      [](const py::object& what, const std::optional<std::string>& format,
         const std::optional<std::string>& jcamp_form, const std::optional<std::string>& memo) {
        const file_format& to = output_format(format, "");
        const fs::path scratch = fs::temp_directory_path() / scratch_name();
        const std::string p = scratch.string();
        struct removed {
          fs::path p;
          ~removed() {
            std::error_code ec;
            fs::remove(p, ec);
          }
        } remove_after{scratch};
        write_file(to, *written_document(what), p, writing_of(jcamp_form, memo), "", "<bytes>");
        std::vector<std::uint8_t> bytes;
        if (spectrum::outcome t = formats::read_bytes(p, std::uint64_t{1} << 40, bytes))
          raise(p, *t, message_of(p, *t));
        return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      },
      "what"_a, "format"_a = py::none(), py::kw_only(), "jcamp_form"_a = py::none(),
      "memo"_a = py::none(),
      R"(The bytes of a file of the format written from a Document or a Spectrum, as write() writes it.)");
  m.def(
      "convert",
      [](const py::object& source, const py::object& target, const std::optional<std::string>& to,
         const std::optional<std::string>& from) {
        check_format(from);
        const std::string input = file_path(source);
        const std::string output = file_path(target);
        const file_format& format = output_format(to, output);
        spectrum::read_options reading;
        reading.even_x_values = format.reads_even_x;
        cli::loaded in;
        {
          py::gil_scoped_release unlocked;
          mark_thread();
          in = cli::load(input, from.value_or(""), reading);
        }
        const document_handle read = document_of(std::move(in), input);
        spectrum::document& doc = *read.doc;
        spectrum::write_options writing;
        writing.input_name = fs::path(input).filename().string();
        // A file of several spectra that the output cannot hold together: one file a spectrum.
        py::list outputs;
        if (cli::written_whole({}, format, doc.spectra)) {
          write_file(format, doc, output, writing, input, output);
          outputs.append(path_object(output));
          return outputs;
        }
        std::vector<spectrum::spectrum> each;
        each.swap(doc.spectra);
        for (std::size_t i = 0; i < each.size(); ++i) {
          const std::string numbered = cli::numbered(output, i, each.size());
          doc.spectra.assign(1, std::move(each[i]));
          write_file(format, doc, numbered, writing, input, numbered);
          outputs.append(path_object(numbered));
        }
        return outputs;
      },
      "source"_a, "target"_a, "to"_a = py::none(), py::kw_only(), "from_format"_a = py::none(),
      R"(Converts a file as `zolkdf convert SOURCE -o TARGET` does; gives back the files written.

The output format is the one named by to, else the target's extension's. A file of several
spectra that the output cannot hold together goes to one file a spectrum, numbered: a-1.xy,
a-2.xy.)");
  m.def(
      "info",
      [](const py::object& path, const std::optional<std::string>& format) {
        check_format(format);
        const std::string p = file_path(path);
        std::string json;
        cli::loaded in;
        {
          py::gil_scoped_release unlocked;
          mark_thread();
          in = cli::load(p, format.value_or(""), {});
          if (in.error.empty()) json = cli::info_json(p, in);
        }
        document_of(std::move(in), p);
        return py::module_::import("json").attr("loads")(json);
      },
      "path"_a, "format"_a = py::none(),
      R"(What a file holds, as a dict: the object that `zolkdf info --json` shows for it.)");
  m.def(
      "formats",
      [] {
        py::list all;
        for (const file_format* f : formats::all()) {
          py::dict row;
          row["name"] = std::string{f->name};
          row["title"] = std::string{f->title};
          py::list extensions;
          for (const std::string_view e : f->extensions) extensions.append(std::string{e});
          row["extensions"] = extensions;
          row["reads"] = f->read != nullptr;
          row["writes"] = f->write != nullptr;
          row["several_spectra"] = f->several_spectra;
          py::list holds;
          for (const spectrum::field_name& field : spectrum::field_names())
            if ((f->holds & field.bit) != 0) holds.append(std::string{field.name});
          row["holds"] = holds;
          all.append(row);
        }
        return all;
      },
      R"(The formats, each a dict: its name (as format= takes it), title, extensions (the first is
the one written), whether it reads and writes files, holds several spectra, and the fields
beyond the points that its files hold ("title", "date", "x unit", ...).)");
}

}  // namespace python
