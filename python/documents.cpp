// python/documents.cpp: Spectrum and Document as Python sees them: the points as read-only NumPy
// views of the document's own memory, the texts and units as attributes and as a dict, and tables
// for pandas.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "python/bindings.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace python {

namespace {

using spectrum::axis;

// A read-only array over the values, kept alive by owner, which keeps their document alive.
py::array_t<double> view(const std::vector<double>& values, const py::handle& owner) {
  static const double no_value = 0.0;
  py::array_t<double> a({static_cast<py::ssize_t>(values.size())}, {py::ssize_t{sizeof(double)}},
                        values.empty() ? &no_value : values.data(), owner);
  py::detail::array_proxy(a.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return a;
}

// The values of a one-dimensional array or sequence of numbers, as doubles.
std::vector<double> values_of(const py::handle& given, const char* what) {
  const auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(given);
  if (!a || a.ndim() != 1)
    throw py::value_error(std::string{what} + " must be a one-dimensional array of numbers");
  return {a.data(), a.data() + a.size()};
}

// A datetime of the date that a file records, or None where it records none that is valid.
py::object date_object(const spectrum::date_time& d) {
  if (d.year == 0) return py::none();
  try {
    return py::module_::import("datetime")
        .attr("datetime")(d.year, d.month, d.day, d.hour, d.minute, d.second);
  } catch (const py::error_already_set&) {
    return py::none();  // a month 13, a 31 February
  }
}

spectrum::date_time date_of(const py::object& when) {
  if (when.is_none()) return {};
  const auto field = [&](const char* name) {
    return py::hasattr(when, name) ? when.attr(name).cast<int>() : 0;
  };
  return {field("year"), field("month"), field("day"), field("hour"), field("minute"),
          field("second")};
}

// A unit's name, as the table of units gives it or as the file gave it.
std::string unit_text(const spectrum::axis_unit& u) { return u.name; }

// The unit of a name that any format gives it ("1/CM", "cm-1", "Nanometers (nm)"); "" is none.
spectrum::axis_unit unit_of(const std::string& name, axis which) {
  if (name.empty()) return {};
  return spectrum::unit_named(name, which);
}

// The attribute of a document's text, read and written through the member.
template <class member_type>
void text_property(py::class_<document_handle>& c, const char* name, member_type member,
                   const char* doc) {
  c.def_property(
      name, [member](const document_handle& d) { return (*d.doc).*member; },
      [member](document_handle& d, std::string text) { (*d.doc).*member = std::move(text); },
      doc);
}

py::dict metadata_of(const spectrum::document& d) {
  py::dict m;
  m["title"] = d.memo;
  m["date"] = date_object(d.date);
  m["origin"] = d.origin;
  m["owner"] = d.owner;
  m["instrument"] = d.instrument;
  m["resolution"] = d.resolution ? py::cast(*d.resolution) : py::none();
  m["experiment"] = d.experiment;
  m["x_unit"] = unit_text(d.x_unit);
  m["y_unit"] = unit_text(d.y_unit);
  m["z_unit"] = unit_text(d.z_unit);
  m["log"] = d.log;
  m["labels"] = d.labels;
  return m;
}

py::module_ pandas() {
  try {
    return py::module_::import("pandas");
  } catch (const py::error_already_set&) {
    throw py::import_error(
        "to_pandas needs pandas, which is not installed (pip install pandas, or apt-get install "
        "python3-pandas)");
  }
}

// A DataFrame indexed by x, one column a spectrum, named by its title where each has its own, else
// by its z where each has its own; spectra on other x are joined on the x of them all.
py::object table_of(const py::handle& owner, const spectrum::document& d, std::size_t first,
                    std::size_t count) {
  const py::module_ pd = pandas();
  std::vector<std::string> names;
  for (std::size_t i = first; i < first + count; ++i) {
    const std::string& title = d.spectra[i].title;
    const bool own = !title.empty() && std::find(names.begin(), names.end(), title) == names.end();
    names.push_back(own ? title : "");
  }
  const bool titled = std::find(names.begin(), names.end(), "") == names.end();
  std::vector<double> z;
  for (std::size_t i = first; i < first + count; ++i)
    if (std::find(z.begin(), z.end(), d.spectra[i].z) == z.end()) z.push_back(d.spectra[i].z);
  const bool by_z = !titled && count > 1 && z.size() == count;
  const std::string index_name = d.x_unit.name.empty() ? "x" : d.x_unit.name;
  py::list columns;
  for (std::size_t i = first; i < first + count; ++i) {
    const spectrum::spectrum& t = d.spectra[i];
    const py::object name = titled ? py::cast(names[i - first])
                            : by_z ? py::cast(t.z)
                            : count == 1 ? py::cast("y")
                                         : py::cast("spectrum " + std::to_string(i + 1));
    const py::object index = pd.attr("Index")(view(t.x, owner), "name"_a = index_name);
    columns.append(pd.attr("Series")(view(t.y, owner), "index"_a = index, "name"_a = name));
  }
  if (count == 1) return columns[0].attr("to_frame")();
  return pd.attr("concat")(columns, "axis"_a = 1);
}

std::string points_text(std::size_t n) { return std::to_string(n) + (n == 1 ? " point" : " points"); }

}  // namespace

void define_documents(py::module_& m) {
  py::class_<spectrum_handle> s(m, "Spectrum", R"(One spectrum: y against x, in double precision.

Spectrum(x, y, x_unit="", y_unit="", z=0.0, title="") makes one from two sequences of numbers
of the same length; x_unit and y_unit take any name a file gives a unit ("1/CM", "cm-1",
"ABSORBANCE"). The points of a spectrum never change: x and y are read-only NumPy views of its
document's memory (x.copy() gives a writable array). Its units are those of its document.)");
  s.def(py::init([](const py::object& x, const py::object& y, const std::string& x_unit,
                    const std::string& y_unit, double z, std::string title) {
          spectrum::spectrum t;
          t.x = values_of(x, "x");
          t.y = values_of(y, "y");
          if (t.x.size() != t.y.size())
            throw py::value_error("x has " + points_text(t.x.size()) + ", y " +
                                  points_text(t.y.size()) + ": they must have as many");
          // x as evenly spaced as a file of their digits would be is stored as its ends.
          t.x_stored = !spectrum::even_as_printed(t.x);
          t.first_x = t.x.empty() ? 0.0 : t.x.front();
          t.last_x = t.x.empty() ? 0.0 : t.x.back();
          t.z = z;
          t.title = std::move(title);
          auto doc = std::make_shared<spectrum::document>();
          doc->x_unit = unit_of(x_unit, axis::x);
          doc->y_unit = unit_of(y_unit, axis::y);
          doc->spectra.push_back(std::move(t));
          return spectrum_handle{std::move(doc), 0};
        }),
        "x"_a, "y"_a, "x_unit"_a = "", "y_unit"_a = "", "z"_a = 0.0, "title"_a = "");
  s.def_property_readonly(
      "x", [](const py::object& self) { return view(self.cast<spectrum_handle&>().get().x, self); },
      "The x of each point, a read-only float64 array.");
  s.def_property_readonly(
      "y", [](const py::object& self) { return view(self.cast<spectrum_handle&>().get().y, self); },
      "The y of each point, a read-only float64 array.");
  s.def_property(
      "z", [](const spectrum_handle& h) { return h.get().z; },
      [](spectrum_handle& h, double z) { h.get().z = z; },
      "Its z among several spectra (a time, a position), 0 where the file gives none.");
  s.def_property(
      "title", [](const spectrum_handle& h) { return h.get().title; },
      [](spectrum_handle& h, std::string t) { h.get().title = std::move(t); },
      "Its own title, where a file of several gives each one.");
  s.def_property(
      "x_unit", [](const spectrum_handle& h) { return unit_text(h.doc->x_unit); },
      [](spectrum_handle& h, const std::string& u) { h.doc->x_unit = unit_of(u, axis::x); },
      "The unit of x, that of its document: \"Wavenumber (cm-1)\"; \"\" for none.");
  s.def_property(
      "y_unit", [](const spectrum_handle& h) { return unit_text(h.doc->y_unit); },
      [](spectrum_handle& h, const std::string& u) { h.doc->y_unit = unit_of(u, axis::y); },
      "The unit of y, that of its document: \"Absorbance\"; \"\" for none.");
  s.def("__len__", [](const spectrum_handle& h) { return h.get().y.size(); });
  s.def("__repr__", [](const spectrum_handle& h) {
    const spectrum::spectrum& t = h.get();
    std::string text = "<zolkdf.Spectrum of " + points_text(t.y.size());
    if (!t.x.empty())
      text += ", x from " + py::repr(py::float_(t.x.front())).cast<std::string>() + " to " +
              py::repr(py::float_(t.x.back())).cast<std::string>();
    return text + ">";
  });
  s.def(
      "to_pandas",
      [](const py::object& self) {
        const spectrum_handle& h = self.cast<spectrum_handle&>();
        return table_of(self, *h.doc, h.index, 1);
      },
      "A pandas DataFrame indexed by x, with y as its one column (pandas must be installed).");

  py::class_<document_handle> d(m, "Document", R"(A whole file: its spectra, their units and its texts.

zolkdf.read() gives one; Document(spectra, title=..., ...) makes one of Spectrum objects, whose
points it copies; their units must agree, else x_unit and y_unit name those of the document.
A document of one spectrum and a spectrum alone are written alike.)");
  d.def(py::init([](const std::vector<spectrum_handle>& spectra, std::string title,
                    const py::object& date, std::string origin, std::string owner,
                    std::string instrument, std::optional<std::string> resolution,
                    const std::string& experiment, std::string log,
                    std::optional<std::string> x_unit, std::optional<std::string> y_unit,
                    const std::string& z_unit) {
          auto doc = std::make_shared<spectrum::document>();
          if (spectra.empty()) throw py::value_error("a document needs one spectrum at least");
          doc->x_unit = spectra.front().doc->x_unit;
          doc->y_unit = spectra.front().doc->y_unit;
          for (const spectrum_handle& h : spectra) {
            if (!x_unit && h.doc->x_unit.name != doc->x_unit.name)
              throw py::value_error("the spectra have x in " + doc->x_unit.name + " and in " +
                                    h.doc->x_unit.name + ": give x_unit");
            if (!y_unit && h.doc->y_unit.name != doc->y_unit.name)
              throw py::value_error("the spectra have y in " + doc->y_unit.name + " and in " +
                                    h.doc->y_unit.name + ": give y_unit");
            doc->spectra.push_back(h.get());
          }
          if (x_unit) doc->x_unit = unit_of(*x_unit, axis::x);
          if (y_unit) doc->y_unit = unit_of(*y_unit, axis::y);
          doc->z_unit = unit_of(z_unit, axis::z);
          doc->memo = std::move(title);
          doc->date = date_of(date);
          doc->origin = std::move(origin);
          doc->owner = std::move(owner);
          doc->instrument = std::move(instrument);
          doc->resolution = std::move(resolution);
          doc->experiment_type = spectrum::experiment_of(experiment);
          doc->experiment = experiment;
          doc->log = std::move(log);
          return document_handle{std::move(doc)};
        }),
        "spectra"_a, py::kw_only(), "title"_a = "", "date"_a = py::none(), "origin"_a = "",
        "owner"_a = "", "instrument"_a = "", "resolution"_a = py::none(), "experiment"_a = "",
        "log"_a = "", "x_unit"_a = py::none(), "y_unit"_a = py::none(), "z_unit"_a = "");
  const auto spectrum_of = [](const document_handle& h, std::size_t i) {
    return spectrum_handle{h.doc, i};
  };
  d.def_property_readonly(
      "spectra",
      [spectrum_of](const document_handle& h) {
        std::vector<spectrum_handle> all;
        for (std::size_t i = 0; i < h.doc->spectra.size(); ++i) all.push_back(spectrum_of(h, i));
        return all;
      },
      "Its spectra, a list of Spectrum objects that share the document's memory.");
  d.def("__len__", [](const document_handle& h) { return h.doc->spectra.size(); });
  d.def("__getitem__", [spectrum_of](const document_handle& h, py::ssize_t i) {
    const auto n = static_cast<py::ssize_t>(h.doc->spectra.size());
    if (i < -n || i >= n) throw py::index_error("the document has " + std::to_string(n) +
                                                " spectra");
    return spectrum_of(h, static_cast<std::size_t>(i < 0 ? i + n : i));
  });
  d.def("__iter__", [](const py::object& self) { return py::iter(self.attr("spectra")); });
  d.def_property_readonly(
      "format",
      [](const document_handle& h) {
        return h.doc->format.empty() ? py::none() : py::cast(h.doc->format);
      },
      "The name of the format it was read from (\"spc\", \"jcamp\"), None for one made here.");
  d.def_property_readonly(
      "variant", [](const document_handle& h) { return h.doc->variant; },
      "The variant of its format (\"new\", \"old\", \"5.01\"), or \"\".");
  text_property(d, "title", &spectrum::document::memo, "Its title: the SPC memo, the JCAMP-DX title.");
  text_property(d, "origin", &spectrum::document::origin, "Who made the data.");
  text_property(d, "owner", &spectrum::document::owner, "Who owns it, or its copyright.");
  text_property(d, "instrument", &spectrum::document::instrument,
                "The instrument or data system.");
  text_property(d, "log", &spectrum::document::log,
                "Free text that the file carries: the SPC log, JCAMP-DX comments.");
  d.def_property(
      "date", [](const document_handle& h) { return date_object(h.doc->date); },
      [](document_handle& h, const py::object& when) { h.doc->date = date_of(when); },
      "When it was measured, a datetime, or None.");
  d.def_property(
      "resolution", [](const document_handle& h) { return h.doc->resolution; },
      [](document_handle& h, std::optional<std::string> r) { h.doc->resolution = std::move(r); },
      "The resolution as the file's text, or None.");
  d.def_property(
      "experiment", [](const document_handle& h) { return h.doc->experiment; },
      [](document_handle& h, const std::string& e) {
        h.doc->experiment = e;
        h.doc->experiment_type = spectrum::experiment_of(e);
      },
      "The kind of experiment (\"Raman Spectrum\", \"INFRARED SPECTRUM\"), or \"\".");
  const auto unit_property = [&d](const char* name, spectrum::axis_unit spectrum::document::*member,
                                  axis which, const char* doc) {
    d.def_property(
        name, [member](const document_handle& h) { return unit_text((*h.doc).*member); },
        [member, which](document_handle& h, const std::string& u) {
          (*h.doc).*member = unit_of(u, which);
        },
        doc);
  };
  unit_property("x_unit", &spectrum::document::x_unit, axis::x,
                "The unit of x: \"Wavenumber (cm-1)\"; any name a file gives it may be set.");
  unit_property("y_unit", &spectrum::document::y_unit, axis::y, "The unit of y.");
  unit_property("z_unit", &spectrum::document::z_unit, axis::z,
                "The unit of the spectra's z.");
  d.def_property(
      "labels", [](const document_handle& h) { return h.doc->labels; },
      [](document_handle& h, std::vector<std::pair<std::string, std::string>> l) {
        h.doc->labels = std::move(l);
      },
      "Labelled records that no writer interprets, as (label, value) pairs.");
  d.def_property_readonly(
      "metadata", [](const document_handle& h) { return metadata_of(*h.doc); },
      "Its texts and units as a dict, by the names of the attributes.");
  d.def("__repr__", [](const document_handle& h) {
    const std::size_t n = h.doc->spectra.size();
    return "<zolkdf.Document" + (h.doc->format.empty() ? "" : " (" + h.doc->format + ")") +
           " of " + std::to_string(n) + (n == 1 ? " spectrum>" : " spectra>");
  });
  d.def(
      "to_pandas",
      [](const py::object& self) {
        const document_handle& h = self.cast<document_handle&>();
        return table_of(self, *h.doc, 0, h.doc->spectra.size());
      },
      "A pandas DataFrame indexed by x, one column a spectrum, named by their titles where each "
      "has its own, else by their z where each has its own (pandas must be installed).");
}

}  // namespace python
