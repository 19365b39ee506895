// jcamp/jcamp_data_reader.cpp: the JCAMP-DX reader's data records: evenly spaced y values in every
// form, (XY..XY) points, peak tables with widths, peak assignments, and the pages of NTUPLES.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jcamp/jcamp_reader.hpp"
#include "jcamp/jcamp_text.hpp"
#include "spectrum/axis.hpp"

namespace jcamp {
namespace {

// Checks that two y values are one: integers exactly, decimals to the last few bits.
bool same_value(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

}  // namespace

using spectrum::outcome;
using spectrum::trouble;

outcome reader::data_record(const std::string& label, std::string_view value) {
  block& b = open_.back();
  const std::int64_t record_line = lines_.number();
  const auto vars = variables_of(value);
  if (!vars)
    return at_line("##" + label + "=" +
                   std::string(recio::before_comment(value, comment_marker, blanks)) +
                   ": not a data form that this program reads");
  data_frame f;
  if (label == "DATATABLE") {
    ntuples_table& n = b.ntuples;
    if (!n.open) return at_line("##DATA TABLE= outside ##NTUPLES=");
    const auto column = [&](const std::string& symbol) -> std::optional<std::size_t> {
      const auto at = std::find(n.symbols.begin(), n.symbols.end(), symbol);
      if (at == n.symbols.end()) return std::nullopt;
      return static_cast<std::size_t>(at - n.symbols.begin());
    };
    const auto xc = column(vars->x);
    const auto yc = column(vars->y);
    if (!xc || !yc) return at_line("##DATA TABLE= names a variable that ##SYMBOL= does not");
    const auto item = [](const std::vector<std::string>& list,
                         std::size_t i) -> std::optional<double> {
      return i < list.size() ? number_of(list[i]) : std::nullopt;
    };
    const auto text = [](const std::vector<std::string>& list, std::size_t i) {
      return i < list.size() ? list[i] : std::string{};
    };
    f.x_factor = item(n.factors, *xc).value_or(1.0);
    f.y_factor = item(n.factors, *yc).value_or(1.0);
    if (f.x_factor == 0.0 || f.y_factor == 0.0) return at_line("a ##FACTOR= of 0");
    f.first_x = item(n.firsts, *xc);
    f.last_x = item(n.lasts, *xc);
    f.points = n.page_points ? n.page_points : item(n.dims, *yc);
    if (f.points && !is_count(*f.points)) return at_line("##VAR_DIM= is not a count of points");
    f.x_units = text(n.units, *xc);
    f.y_units = text(n.units, *yc);
    if (const auto zc = column(n.page_symbol)) f.z_units = text(n.units, *zc);
    f.z = n.page_z;
    b.pages = true;
  } else {
    f.x_factor = b.x_factor;
    f.y_factor = b.y_factor;
    f.first_x = b.first_x;
    f.last_x = b.last_x;
    f.delta_x = b.delta_x;
    f.points = b.points;
    f.x_units = b.x_units;
    f.y_units = b.y_units;
  }
  if (f.points && *f.points > static_cast<double>(spectrum_points_))
    return at_line(spectrum::too_many_points(spectrum_points_).reason);
  spectrum::spectrum t;
  t.z = f.z;
  // A table of peaks is a list of peaks whatever its x.
  t.peaks = !vars->even && (label == "PEAKTABLE" || vars->kind == "PEAKS");
  if (auto trouble = vars->even ? even_data(t, f) : point_data(t, f, *vars)) return trouble;
  // Points of a table are even where their x are, as far as the file prints them.
  if (!vars->even)
    t.x_stored = t.peaks || !spectrum::even_as_printed(t.x);
  if (t.y.empty()) return trouble{"##" + label + "= holds no points", record_line};
  if (f.points && static_cast<double>(t.y.size()) != *f.points)
    return at_line("##NPOINTS= " + number_text(*f.points) + ", but the data from line " +
                   std::to_string(record_line) + " holds " + std::to_string(t.y.size()) +
                   " points");
  add_spectrum(std::move(t), f);
  return std::nullopt;
}

// ##PEAK ASSIGNMENTS=: one peak in each pair of parentheses, its numbers and its assignment in
// angle brackets separated by commas, "(1715, 88, <C=O stretch>)"; an entry may go on over
// lines. The numbers are plain, as written: no factor applies.
outcome reader::assignment_record(std::string_view value) {
  const std::int64_t record_line = lines_.number();
  const auto vars = assignment_variables(value);
  if (!vars)
    return at_line(
        "##PEAK ASSIGNMENTS=" + std::string(recio::before_comment(value, comment_marker, blanks)) +
        ": not a form that this program reads");
  block& b = open_.back();
  spectrum::spectrum t;
  t.peaks = true;
  t.x_stored = true;
  std::vector<std::string> fields;
  bool inside = false;   // an entry's parentheses
  bool in_text = false;  // an assignment's angle brackets
  std::string_view line;
  while (next_data_line(lines_, line)) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (in_text) {
        in_text = c != '>';
        fields.back() += c;
      } else if (!inside) {
        if (line.substr(i).starts_with(comment_marker)) break;
        if (c == '(') {
          inside = true;
          fields.assign(1, std::string{});
        } else if (!recio::is_blank(c) && c != ',' && c != ';' && c != '\0') {
          return at_line(std::string("'") + c + "' outside the parentheses of a peak");
        }
      } else if (c == '<') {
        in_text = true;
        fields.back() += c;
      } else if (c == ',') {
        fields.emplace_back();
      } else if (c == ')') {
        inside = false;
        if (auto trouble = take_assignment(t, fields, *vars)) return trouble;
      } else {
        fields.back() += c;
      }
    }
    if (in_text) fields.back() += ' ';  // an assignment's text goes on over the line's end
  }
  if (inside) return at_line("a peak's parentheses are not closed");
  if (t.y.empty()) return trouble{"##PEAK ASSIGNMENTS= holds no peaks", record_line};
  t.first_x = t.x.front();
  t.last_x = t.x.back();
  data_frame f;
  f.x_units = b.x_units;
  f.y_units = b.y_units;
  add_spectrum(std::move(t), f);
  return std::nullopt;
}

// One peak of an assignment table, from the fields of its parentheses, one for each variable:
// x, y and a width (where given) as numbers, y and the width empty for none, the assignment
// in angle brackets; a multiplicity is passed over.
outcome reader::take_assignment(spectrum::spectrum& t, const std::vector<std::string>& fields,
                                std::string_view variables) {
  if (fields.size() != variables.size())
    return at_line("a peak of " + std::to_string(fields.size()) + " fields, for the " +
                   std::to_string(variables.size()) + " of (" + std::string(variables) + ")");
  if (room(t.x.size()) == 0) return at_line("more points than the file can hold");
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view field = recio::trimmed(fields[i], blanks);
    const char v = variables[i];
    if (v == 'M') continue;
    if (v == 'A') {
      if (field.size() < 2 || field.front() != '<' || field.back() != '>')
        return at_line("an assignment that is not in angle brackets: " + std::string(field));
      t.assignments.emplace_back(field.substr(1, field.size() - 2));
      continue;
    }
    const auto number = field.empty() && v != 'X' ? std::optional<double>{0.0} : number_of(field);
    if (!number) return at_line(std::string(field).insert(0, 1, '\'') + "': not a number");
    (v == 'X' ? t.x : v == 'Y' ? t.y : t.widths).push_back(*number);
  }
  return std::nullopt;
}

std::size_t reader::push_limit(std::optional<double> points) const {
  // More than declared (a count that is not a number declares none), more than the file can hold
  // beside the spectra before, more than a spectrum may have.
  std::size_t limit = std::min(spectrum_points_, room(0));
  if (points && *points <= 0.0) return 0;
  if (points && *points < 0x1p63) limit = std::min(limit, static_cast<std::size_t>(std::ceil(*points)));
  return limit;
}

trouble reader::refused(const std::vector<double>& values, double scaled,
                       std::optional<double> points) const {
  if (points && static_cast<double>(values.size()) >= *points)
    return at_line("more points than ##NPOINTS= " + number_text(*points));
  if (room(values.size()) == 0) return at_line("more points than the file can hold");
  if (values.size() >= spectrum_points_)
    return at_line(spectrum::too_many_points(spectrum_points_).reason);
  (void)scaled;  // not finite
  return at_line("a value beyond the range of double precision");
}

outcome reader::even_data(spectrum::spectrum& t, const data_frame& f) {
  std::string_view line;
  std::optional<double> first_line_x;
  double value = 0.0;  // the last y, before the factor
  bool have_value = false;
  bool check_next = false;  // the line before ended in DIF form: this line's first y repeats it
  // The y values are written in place into room made ahead, their count kept here, so that the
  // loop keeps the count and the place in registers; t.y takes its size at the end.
  const std::size_t limit = push_limit(f.points);
  const double factor = f.y_factor;
  std::vector<double>& y_values = t.y;
  if (f.points)
    y_values.resize(std::min(static_cast<std::size_t>(*f.points), most_points_ / points_per_byte));
  double* out = y_values.data();
  std::size_t made = y_values.size();
  std::size_t held = 0;
  const auto append = [&](double scaled) __attribute__((always_inline)) -> outcome {
    if (held < limit && std::isfinite(scaled)) [[likely]] {
      if (held == made) [[unlikely]] {
        y_values.resize(std::min(limit, std::max<std::size_t>(1024, 2 * made)));
        out = y_values.data();
        made = y_values.size();
      }
      out[held++] = scaled;
      return std::nullopt;
    }
    y_values.resize(held);
    return refused(y_values, scaled, f.points);
  };
  // The more values of a DUP: the last again, or the last with the difference added each time
  // where a DIF is repeated. Where they fit the room made and the bound, in a loop of their own
  // with no call in it, so that the value stays in a register from one to the next.
  const auto repeat = [&](std::uint64_t more, bool add, double& last,
                          double step) __attribute__((always_inline)) -> outcome {
    if (more <= made - held && more <= limit - held) [[likely]] {
      double v = last;
      double* const o = out + held;
      bool finite = true;
      for (std::uint64_t k = 0; k < more; ++k) {
        if (add) v += step;
        const double scaled = v * factor;
        finite = finite && std::isfinite(scaled);
        o[k] = scaled;
      }
      if (!finite) return at_line("a value beyond the range of double precision");
      held += more;
      last = v;
      return std::nullopt;
    }
    for (std::uint64_t k = 0; k < more; ++k) {
      if (add) last += step;
      if (auto trouble = append(last * factor)) return trouble;
    }
    return std::nullopt;
  };
  while (next_data_line(lines_, line)) {
    std::size_t pos = 0;
    const token x = next_token(line, pos);
    if (x.k == token_kind::end) continue;
    if (x.k != token_kind::affn && x.k != token_kind::pac && x.k != token_kind::sqz)
      return at_line("a data line that does not begin with an x value");
    if (!first_line_x) first_line_x = x.value * f.x_factor;
    bool first_y = true;
    token_kind last = token_kind::end;      // the last y of this line
    token_kind repeated = token_kind::end;  // what a DUP repeats
    double difference = 0.0;
    for (token y = next_token(line, pos); y.k != token_kind::end; y = next_token(line, pos)) {
      note_form(forms_, y.k);
      switch (y.k) {
        case token_kind::affn:
        case token_kind::pac:
        case token_kind::sqz:
          if (first_y && check_next) {
            if (!same_value(y.value, value)) {
              const std::string differs = "the DIF check value " + number_text(y.value) +
                                          " differs from the last y of the line before, " +
                                          number_text(value);
              // A last line of an x and a check value alone, after the points that ##NPOINTS=
              // declares, adds nothing: its check value is passed over, as other readers do.
              std::size_t after = pos;
              if (!f.points || static_cast<double>(held) != *f.points ||
                  next_token(line, after).k != token_kind::end)
                return at_line(differs);
              doc_.warnings.push_back(
                  at_line(differs + "; passed over, as the data holds the points of ##NPOINTS="));
              continue;
            }
          } else if (auto trouble = append(y.value * factor)) {
            return trouble;
          }
          value = y.value;
          have_value = true;
          repeated = token_kind::sqz;
          break;
        case token_kind::dif:
          if (!have_value) return at_line("a DIF value with no y value before it");
          value += y.value;
          difference = y.value;
          if (auto trouble = append(value * factor)) return trouble;
          repeated = token_kind::dif;
          // The DIF and DUP values that follow with nothing between, as a compressed line runs
          // on, taken here without a round of the loop each; anything else, a DUP that the loop
          // refuses among them, is left to the loop.
          while (pos < line.size()) {
            const token_kind next = pseudo_digits[static_cast<unsigned char>(line[pos])].k;
            if (next != token_kind::dif && (next != token_kind::dup || y.k == token_kind::dup))
              break;
            std::size_t after = pos;
            const std::optional<token> run = number_token(line, after, false);
            if (!run) break;
            if (run->k == token_kind::dif) {
              value += run->value;
              difference = run->value;
              if (auto trouble = append(value * factor)) return trouble;
            } else {
              const auto more = static_cast<std::uint64_t>(run->count - 1);
              if (run->count < 1 || more > room(held)) break;
              if (auto trouble = repeat(more, true, value, difference)) return trouble;
            }
            note_form(forms_, run->k);
            y.k = run->k;
            pos = after;
          }
          break;
        case token_kind::dup: {
          if (last == token_kind::end || last == token_kind::dup)
            return at_line("a DUP count that follows no value on its line");
          if (y.count < 1) return at_line("a DUP count below 1");
          const auto more = static_cast<std::uint64_t>(y.count - 1);
          if (more > room(held))
            return at_line("a DUP count of more points than the file can hold");
          if (auto trouble = repeat(more, repeated == token_kind::dif, value, difference))
            return trouble;
          break;
        }
        case token_kind::missing:
          return at_line("a missing value (?) among the y values");
        default:
          return at_line(std::string("'") + y.c + "' in a number");
      }
      last = y.k;
      first_y = false;
    }
    check_next =
        last == token_kind::dif || (last == token_kind::dup && repeated == token_kind::dif);
  }
  y_values.resize(held);
  const std::size_t n = held;
  if (n == 0) return std::nullopt;
  double first = f.first_x ? *f.first_x : first_line_x.value_or(0.0);
  double last = 0.0;
  if (f.last_x)
    last = *f.last_x;
  else if (f.delta_x) {
    // From the first x by the step: without the last place's noise, as the x between.
    const double end = first + *f.delta_x * static_cast<double>(n - 1);
    last = spectrum::digits_of_axis{std::max(std::fabs(first), std::fabs(end))}(end);
  } else if (n > 1)
    return at_line("evenly spaced data without ##LASTX= or ##DELTAX=");
  else
    last = first;
  if (!std::isfinite(first) || !std::isfinite(last))
    return at_line("an x beyond the range of double precision");
  t.first_x = first;
  t.last_x = last;
  t.x = spectrum::even_x(first, last, n);
  return std::nullopt;
}

outcome reader::point_data(spectrum::spectrum& t, const data_frame& f, const variables& vars) {
  const std::size_t group = vars.group;
  // A table of peaks keeps their widths; a multiplicity is passed over.
  const std::size_t w = vars.more.find('W');
  const std::size_t width_at = t.peaks && w != std::string::npos ? 2 + w : group;
  std::string_view line;
  std::size_t number = 0;  // of the value in its group
  while (next_data_line(lines_, line)) {
    std::size_t pos = 0;
    for (token v = next_token(line, pos); v.k != token_kind::end; v = next_token(line, pos)) {
      note_form(forms_, v.k);
      if (v.k == token_kind::dif || v.k == token_kind::dup)
        return at_line("DIF or DUP form in a table of (XY..XY) points");
      if (v.k == token_kind::missing) return at_line("a missing value (?) in a table of points");
      if (v.k == token_kind::bad) return at_line(std::string("'") + v.c + "' in a number");
      if (number == 0) {
        if (room(t.x.size()) == 0) return at_line("more points than the file can hold");
        const double x = v.value * f.x_factor;
        if (!std::isfinite(x)) return at_line("an x beyond the range of double precision");
        t.x.push_back(x);
      } else if (number == 1) {
        if (auto trouble = push(t.y, v.value, f.y_factor, std::nullopt)) return trouble;
      } else if (number == width_at) {
        if (auto trouble = push(t.widths, v.value, f.x_factor, std::nullopt)) return trouble;
      }
      number = (number + 1) % group;
    }
  }
  if (number != 0) return at_line("a point without its y value");
  if (!t.x.empty()) {
    t.first_x = t.x.front();
    t.last_x = t.x.back();
  }
  return std::nullopt;
}

}  // namespace jcamp
