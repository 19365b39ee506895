// python/bindings.hpp: the Python module's own types over the command line's model of a file, and
// what its parts share: paths from Python, failures raised as Python's exceptions.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <memory>
#include <string>

#include "cli/load.hpp"
#include "spectrum/document.hpp"

namespace python {

namespace py = pybind11;
using namespace pybind11::literals;  // "name"_a for arguments by name

// A document as Python holds it. Its spectra are fixed once it is made, so that the arrays that
// show their points stay valid as long as the document lives; its texts may change.
struct document_handle {
  std::shared_ptr<spectrum::document> doc;
};

// One spectrum of a document: a spectrum made alone is the one spectrum of a document of its own.
struct spectrum_handle {
  std::shared_ptr<spectrum::document> doc;
  std::size_t index = 0;
  spectrum::spectrum& get() const { return doc->spectra[index]; }
};

// The bytes of a path given as str, bytes or os.PathLike, as the system takes them.
std::string path_bytes(const py::handle& path);
// A path's bytes as Python's str of it, as os.fsdecode gives it.
py::object path_object(const std::string& bytes);

// Raises the trouble of the file named name: an OSError of the kind that the system's refusal
// calls for (FileNotFoundError, PermissionError, IsADirectoryError), else zolkdf.Error with the
// path, the line or the byte offset and the reason. message is the command line's line for it.
[[noreturn]] void raise(const std::string& name, const spectrum::trouble& t,
                        const std::string& message);

// Issues each of the lines of a reader's warnings as a UserWarning.
void warn(const std::string& lines);

// Defines Error in the module, and the classes Spectrum and Document.
void define_error(py::module_& m);
void define_documents(py::module_& m);
// Defines read, loads, write, dumps, convert, info and formats.
void define_files(py::module_& m);

}  // namespace python
