// cli/command_line.cpp: the command line's words parsed into a command and its settings.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "formats/formats.hpp"
#include "recio/os.hpp"
#include "recio/recio.hpp"

namespace cli {

namespace {

constexpr std::string_view version = "zolkdf " ZOLKDF_VERSION;

// The names of a list file: one a line, or separated by NUL bytes.
bool add_listed_names(const std::string& list, bool nul, std::vector<std::string>& names) {
  std::vector<std::uint8_t> bytes;
  const std::uint64_t most = formats::most_stream_bytes(spectrum::default_most_points);
  if (const spectrum::outcome t = formats::read_bytes(list, most, bytes)) {
    to_error("zolkdf: " + shown_name(list) + ": " + t->reason + "\n");
    return false;
  }
  std::string name;
  const char end = nul ? '\0' : '\n';
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    const char c = i < bytes.size() ? static_cast<char>(bytes[i]) : end;
    if (c != end) {
      name += c;
      continue;
    }
    if (!nul && !name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) names.push_back(std::move(name));
    name.clear();
  }
  return true;
}

// A format's name, in any letter case: the name is kept in lower case.
CLI::Validator format_check(bool for_output) {
  return CLI::Validator(
      [for_output](std::string& name) -> std::string {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const formats::file_format* f = formats::named(lower);
        if (f == nullptr || (for_output ? f->write == nullptr : f->read == nullptr))
          return "unknown format " + name + " (known: " + formats::names(for_output) + ")";
        name = lower;
        return {};
      },
      "FORMAT");
}

// A whole number that counts from 1, such as a spectrum of a file or a column of a table.
CLI::Validator counting_from_1() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        int n = 0;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(text.data(), last, n);
        if (error == std::errc::result_out_of_range && text.front() != '-')
          return text + " is too large";
        if (error == std::errc::invalid_argument || end != last)
          return text + " is not a whole number";
        return error == std::errc{} && n >= 1 ? "" : "counts from 1";
      },
      "POSITIVE");
}

// Two numbers A:B, the ends of an axis in either order: limits_of("1800:400") gives 400, 1800.
std::optional<std::pair<double, double>> limits_of(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  double a = 0, b = 0;
  const auto number = [](std::string_view digits, double& v) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    return error == std::errc{} && end == digits.data() + digits.size() && std::isfinite(v);
  };
  if (!number(text.substr(0, colon), a) || !number(text.substr(colon + 1), b) || a == b)
    return std::nullopt;
  return std::pair{std::min(a, b), std::max(a, b)};
}

// The width and height of a picture in pixels, WxH: size_of("800x500") gives 800, 500.
std::optional<std::pair<int, int>> size_of(std::string_view text) {
  std::size_t by = text.find('x');
  std::size_t after = by + 1;
  if (by == std::string_view::npos) {
    by = text.find("\xC3\x97");  // the multiplication sign in UTF-8
    after = by + 2;
  }
  if (by == std::string_view::npos) return std::nullopt;
  int w = 0, h = 0;
  const auto number = [](std::string_view digits, int& v) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    return error == std::errc{} && end == digits.data() + digits.size() && v >= 100 && v <= 20000;
  };
  if (!number(text.substr(0, by), w) || !number(text.substr(after), h)) return std::nullopt;
  return std::pair{w, h};
}

}  // namespace

bool is_command(std::string_view first_word) {
  return first_word == "convert" || first_word == "info" || first_word == "plot" ||
         first_word == "--help" || first_word == "-h" || first_word == "--version" ||
         first_word == "-V";
}

bool to_output(std::string_view text) {
  return recio::os::write_all(recio::os::standard_output, text.data(), text.size());
}

void to_error(std::string_view text) {
  recio::os::write_all(recio::os::standard_error, text.data(), text.size());
}

int run(const std::vector<std::string>& words) {
  CLI::App app{
      "zolkdf converts one-dimensional spectra between file formats.\n"
      "Without a command it starts the console dialogue.",
      "zolkdf"};
  app.set_version_flag("-V,--version", std::string{version}, "Show the version and exit");
  app.require_subcommand(0, 1);
  // Options begin with a dash on every system: a path such as /data/a.spc is a path on Windows
  // too, and not an option.
  app.allow_windows_style_options(false);
  app.footer("Formats: " + formats::names(false) +
             "; -t spc-old writes the old variant of SPC. A file named like a command is given "
             "as ./convert.\n");

  convert_settings c;
  c.jobs = std::max(1u, std::thread::hardware_concurrency());
  std::string files_from;
  bool nul = false;
  std::string memo;
  std::vector<int> columns;
  std::string jcamp_form = "dif";
  CLI::App* conv = app.add_subcommand("convert", "Convert files, or every file of folders");
  conv->add_option("inputs", c.inputs, "Input files and folders; - for standard input");
  CLI::Option* output = conv->add_option("-o,--output", c.output,
                                         "The output file, for one input; - for standard output");
  conv->add_option("-d,--directory", c.folder, "Write the outputs under this folder")
      ->excludes(output);
  conv->add_flag("-r,--recursive", c.recursive, "Take folders with the folders inside them");
  conv->add_flag("--keep-extension", c.keep_extension,
                 "Name outputs after the inputs' whole names: a.spc gives a.spc.xy");
  conv->add_option("-t,--to", c.to, "The output format")->transform(format_check(true));
  conv->add_option("-f,--from", c.from, "The input format (else found from the contents)")
      ->transform(format_check(false));
  conv->add_option("--memo", memo, "The memo of SPC outputs (up to 130 characters)");
  conv->add_option("--spectrum", c.spectrum, "Take only spectrum N of a file of several")
      ->check(counting_from_1());
  conv->add_flag("--split", c.split,
                 "Write each spectrum of a file of several to a file of its own");
  conv->add_flag("-n,--no-clobber", c.no_clobber, "Leave existing outputs as they are");
  conv->add_option("-j,--jobs", c.jobs, "Convert N files at a time (default: the processors)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            unsigned n = 0;
            const char* last = text.data() + text.size();
            const auto [end, error] = std::from_chars(text.data(), last, n);
            return error == std::errc{} && end == last && n >= 1 && n <= 1024
                       ? ""
                       : text + " is not a number of files from 1 to 1024";
          },
          "1-1024"));
  conv->add_flag("-q,--quiet", c.quiet, "Report only failures");
  conv->add_flag("-v,--verbose", c.verbose, "Report every file converted");
  conv->add_option("--files-from", files_from,
                   "Read input names from FILE, one a line; - for "
                   "standard input");
  conv->add_flag("-0,--null", nul, "The names of --files-from are separated by NUL bytes");
  conv->add_option("--columns", columns, "The columns of a table to take as x and y (X,Y)")
      ->delimiter(',')
      ->expected(2)
      ->check(counting_from_1());
  std::size_t most_points = spectrum::default_most_points;
  const std::string max_points_help = "Refuse a spectrum of more than N points (default: " +
                                      std::to_string(spectrum::default_most_points) + ")";
  const CLI::Range max_points_range{std::size_t{1}, std::size_t{1} << 50};
  conv->add_option("--max-points", most_points, max_points_help)->check(max_points_range);
  conv->add_option("--jcamp-form", jcamp_form, "JCAMP-DX data: dif (compressed) or affn (plain)")
      ->check(CLI::IsMember({"dif", "affn"}));

  info_settings i;
  CLI::App* inf = app.add_subcommand("info", "Show what files hold");
  inf->add_option("files", i.files, "The files")->required();
  inf->add_option("-f,--from", i.from, "The format (else found from the contents)")
      ->transform(format_check(false));
  inf->add_flag("--json", i.json, "One JSON array, an object a file");
  inf->add_flag("--spectra", i.each_spectrum, "A line for each spectrum of a file of several");
  inf->add_option("--max-points", most_points, max_points_help)->check(max_points_range);

  plot_settings pl;
  std::string x_limits, y_limits, size;
  bool ascending = false, descending = false;
  CLI::App* plt = app.add_subcommand("plot", "Draw spectra as an SVG picture, or in the terminal");
  plt->add_option("files", pl.inputs, "The files; - for standard input")->required();
  plt->add_option("-o,--output", pl.output,
                  "The SVG picture; - for standard output (else drawn in the terminal)");
  plt->add_option("-f,--from", pl.from, "The input format (else found from the contents)")
      ->transform(format_check(false));
  plt->add_option("--spectrum", pl.spectrum, "Draw only spectrum N of each file")
      ->check(counting_from_1());
  plt->add_flag("--stack", pl.stack, "Draw each spectrum above the one before");
  const auto limits_check = CLI::Validator(
      [](std::string& text) -> std::string {
        return limits_of(text) ? "" : text + " is not two different numbers A:B";
      },
      "A:B");
  plt->add_option("--xlim", x_limits, "Show x from A to B")->check(limits_check);
  plt->add_option("--ylim", y_limits, "Show y from A to B")->check(limits_check);
  plt->add_option("--size", size, "The picture's width and height in pixels (default: 800x500)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            return size_of(text) ? "" : text + " is not WxH, each from 100 to 20000";
          },
          "WxH"));
  plt->add_option("--title", pl.title, "A title above the picture");
  CLI::Option* up = plt->add_flag("--x-ascending", ascending, "Draw x from low to high");
  plt->add_flag("--x-descending", descending, "Draw x from high to low")->excludes(up);
  plt->add_option("--max-points", most_points, max_points_help)->check(max_points_range);

  const auto failure_message = ([](const CLI::App* a, const CLI::Error& e) {
    std::string name = a->get_name();
    for (const CLI::App* p = a->get_parent(); p != nullptr; p = p->get_parent())
      name = p->get_name() + " " + name;
    return name + ": " + e.what() + "\nRun '" + name + " --help' for more information.\n";
  });
  for (CLI::App* a : {&app, conv, inf, plt}) a->failure_message(failure_message);

  std::vector<std::string> reversed(words.rbegin(), words.rend());
  std::ostringstream out;
  std::ostringstream err;
  const auto finish = [&](const CLI::Error& e) {
    // A failure names the command where it lies.
    CLI::App* where = conv->parsed() ? conv : inf->parsed() ? inf : plt->parsed() ? plt : &app;
    if (dynamic_cast<const CLI::CallForHelp*>(&e) != nullptr) {
      to_output(where == &app ? app.help() : where->help("zolkdf"));
      return 0;
    }
    const int code = where->exit(e, out, err);
    to_output(out.str());
    to_error(err.str());
    return code == 0 ? 0 : 2;
  };
  try {
    app.parse(reversed);
    if (!files_from.empty() && !add_listed_names(files_from, nul, c.inputs)) return 1;
    if (conv->parsed() && c.inputs.empty())
      throw CLI::ValidationError("give an input file or folder, or --files-from");
    if (conv->parsed() && !c.output.empty() && c.inputs.size() > 1)
      throw CLI::ValidationError("-o takes one input; give -d for several");
  } catch (const CLI::ParseError& e) {
    return finish(e);
  }
  if (conv->parsed()) {
    if (conv->count("--memo") > 0) c.writing.memo = memo;
    c.writing.jcamp_affn = jcamp_form == "affn";
    if (columns.size() == 2) c.reading = {columns[0], columns[1]};
    c.reading.most_points = most_points;
    return convert(c);
  }
  if (inf->parsed()) {
    i.reading.most_points = most_points;
    return info(i);
  }
  if (plt->parsed()) {
    pl.reading.most_points = most_points;
    pl.x_limits = limits_of(x_limits);
    pl.y_limits = limits_of(y_limits);
    if (const auto wh = size_of(size)) std::tie(pl.width, pl.height) = *wh;
    if (ascending || descending) pl.x_descending = descending;
    return plot_spectra(pl);
  }
  to_output(app.help());
  return 0;
}

}  // namespace cli
