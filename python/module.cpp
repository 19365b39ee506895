// python/module.cpp: the Python module zolkdf: its exception, the paths and failures that its
// functions share, and the module itself.
#include <pybind11/pybind11.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "python/bindings.hpp"
#include "recio/io_errors.hpp"

namespace python {

namespace {

// zolkdf.Error, made once with the module.
PyObject* error_type = nullptr;

// The errno and the exception type of a system's refusal, or none where the contents are at fault.
struct system_refusal {
  int number = 0;
  PyObject* type = nullptr;
};
system_refusal refusal_of(recio::io_error e, const std::string& name) {
  // A folder opened as a file, which the system refuses without a reason of its own.
  std::error_code ec;
  if (e == recio::io_error::cannot_open)
    return std::filesystem::is_directory(name, ec) ? system_refusal{EISDIR, PyExc_IsADirectoryError}
                                                   : system_refusal{EIO, PyExc_OSError};
  switch (e) {
    case recio::io_error::file_not_found:
      return {ENOENT, PyExc_FileNotFoundError};
    case recio::io_error::permission_denied:
      return {EACCES, PyExc_PermissionError};
    case recio::io_error::not_regular_file:
      return {EISDIR, PyExc_IsADirectoryError};
    case recio::io_error::no_space:
      return {ENOSPC, PyExc_OSError};
    case recio::io_error::quota_exceeded:
      return {EDQUOT, PyExc_OSError};
    case recio::io_error::read_only_file_system:
      return {EROFS, PyExc_OSError};
    case recio::io_error::name_too_long:
      return {ENAMETOOLONG, PyExc_OSError};
    case recio::io_error::link_loop:
      return {ELOOP, PyExc_OSError};
    case recio::io_error::busy:
    case recio::io_error::file_in_use:
      return {EBUSY, PyExc_OSError};
    case recio::io_error::read_failed:
    case recio::io_error::write_failed:
    case recio::io_error::close_failed:
    case recio::io_error::too_many_links:
      return {EIO, PyExc_OSError};
    default:
      return {};
  }
}

}  // namespace

std::string path_bytes(const py::handle& path) {
  const py::module_ os = py::module_::import("os");
  return os.attr("fsencode")(path).cast<std::string>();
}

py::object path_object(const std::string& bytes) {
  return py::module_::import("os").attr("fsdecode")(py::bytes(bytes));
}

void raise(const std::string& name, const spectrum::trouble& t, const std::string& message) {
  const py::object shown_name = path_object(name);
  if (const system_refusal r = refusal_of(t.error, name); r.type != nullptr) {
    const py::object e = py::reinterpret_steal<py::object>(
        PyObject_CallFunction(r.type, "isO", r.number, message.c_str(), shown_name.ptr()));
    if (!e) throw py::error_already_set();
    PyErr_SetObject(r.type, e.ptr());
    throw py::error_already_set();
  }
  const py::object e = py::reinterpret_borrow<py::object>(error_type)(message);
  e.attr("path") = shown_name;
  e.attr("line") = t.line > 0 ? py::cast(t.line) : py::none();
  e.attr("offset") = t.offset >= 0 ? py::cast(t.offset) : py::none();
  e.attr("reason") = t.reason;
  PyErr_SetObject(error_type, e.ptr());
  throw py::error_already_set();
}

void warn(const std::string& lines) {
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find('\n', at);
    const std::string line = lines.substr(at, end - at);
    if (PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 2) != 0) throw py::error_already_set();
    at = end == std::string::npos ? lines.size() : end + 1;
  }
}

void define_error(py::module_& m) {
  py::dict attributes;
  attributes["__doc__"] = R"(A file that cannot be read or written as its format.

Its message is the command line's line for it ("zolkdf: a.xy: line 3: invalid real"); path is
the file, line the line where it was found (text formats, from 1) or None, offset the byte
(binary formats) or None, and reason what is wrong.)";
  attributes["path"] = py::none();
  attributes["line"] = py::none();
  attributes["offset"] = py::none();
  attributes["reason"] = "";
  error_type = PyErr_NewException("zolkdf.Error", PyExc_ValueError, attributes.ptr());
  if (error_type == nullptr) throw py::error_already_set();
  m.add_object("Error", py::reinterpret_borrow<py::object>(error_type));
}

}  // namespace python

PYBIND11_MODULE(zolkdf, m) {
  m.doc() = R"(zolkdf: spectra read and written in every format that the zolkdf program knows.

    doc = zolkdf.read("run.spc")            # SPC of any kind, JCAMP-DX, CSV, Y, XY, 6XY
    s = doc.spectra[0]                      # s.x, s.y: read-only NumPy float64 arrays
    zolkdf.write(doc, "run.jdx")            # the format from the extension
    table = doc.to_pandas()                 # x as the index, a column a spectrum

The readers and writers are the program's own, with the interpreter's lock let go while a file is
read or written, so that threads read many files at once. A file that cannot be read or written
as its format raises zolkdf.Error (a ValueError); a system's refusal raises an OSError.)";
  m.attr("__version__") = ZOLKDF_VERSION;
  python::define_error(m);
  python::define_documents(m);
  python::define_files(m);
}
