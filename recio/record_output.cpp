// recio/record_output.cpp: building text records from a layout or free-form.
#include "recio/record_output.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "recio/decimal_digits.hpp"
#include "recio/number_fields.hpp"
#include "recio/recio.hpp"

namespace recio {

namespace {

// The record being built; it never grows past max_record.
class record_builder {
 public:
  explicit record_builder(record_sink sink) : sink_(sink) {}

  std::size_t size() const { return size_; }
  void add_blanks(std::size_t n) { pending_blanks_ += n; }
  // Room for n characters after the blanks waiting to be written; they are written now.
  char* reserve(std::size_t n) {
    n = std::min(n, max_record - size_);
    const std::size_t blanks = std::min(pending_blanks_, max_record - size_ - n);
    // A few blanks go as one block of eight; what follows them is written over the rest.
    constexpr std::string_view eight_blanks = "        ";
    if (blanks <= 8 && max_record - size_ >= 8)
      std::copy_n(eight_blanks.data(), 8, chars_.data() + size_);
    else
      std::fill_n(chars_.data() + size_, blanks, ' ');
    size_ += blanks;
    pending_blanks_ = 0;
    char* at = chars_.data() + size_;
    size_ += n;
    return at;
  }
  std::size_t room() const { return max_record - size_; }
  void add_text(std::string_view t) {
    const std::size_t n = std::min(t.size(), room());
    std::copy_n(t.data(), n, reserve(n));
  }
  void end_record() {
    pending_blanks_ = 0;
    if (size_ == 0) chars_[size_++] = ' ';
    sink_({chars_.data(), size_});
    size_ = 0;
  }

 private:
  record_sink sink_;
  std::array<char, max_record> chars_;  // only the first size_ are meaningful
  std::size_t size_ = 0;
  std::size_t pending_blanks_ = 0;
};

// A real for an integer field is taken toward zero. NaN and values beyond the 64-bit range are
// held at its ends, wider than any field, so the field shows asterisks.
std::int64_t integer_of_real(double v) {
  constexpr double range_end = 9223372036854775808.0;  // 2^63
  if (std::isnan(v) || v >= range_end) return std::numeric_limits<std::int64_t>::max();
  if (v <= -range_end) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

std::int64_t as_integer(const value& v) {
  switch (v.index()) {
    case 0:
      return *std::get_if<std::int32_t>(&v);
    case 1:
      return integer_of_real(*std::get_if<float>(&v));
    case 2:
      return integer_of_real(*std::get_if<double>(&v));
    case 4:
      return integer_of_real(std::get_if<full_real>(&v)->v);
    default:
      return 0;
  }
}

double as_real(const value& v) {
  switch (v.index()) {
    case 0:
      return *std::get_if<std::int32_t>(&v);
    case 1:
      return *std::get_if<float>(&v);
    case 2:
      return *std::get_if<double>(&v);
    case 4:
      return std::get_if<full_real>(&v)->v;
    default:
      return 0.0;
  }
}

// Calls put with the real that an Fw.d or Ew.d field shows: a full real keeps its 17 digits, any
// other value is a real of at most 7. Floats, which the dialogue writes by the hundred thousand,
// are told apart first.
template <class writer>
void with_real(const value& v, writer put) {
  if (const auto* single = std::get_if<float>(&v))
    put(*single);
  else if (const auto* full = std::get_if<full_real>(&v))
    put(*full);
  else
    put(as_real(v));
}

// An Iw, Fw.d or Ew.d field.
void put_number(char* out, field_kind kind, int width, int digits, const value& v) {
  if (kind == field_kind::integer) {
    put_integer(out, width, as_integer(v));
  } else if (kind == field_kind::fixed) {
    with_real(v, [&](auto real) { put_fixed(out, width, digits, real); });
  } else {
    with_real(v, [&](auto real) { put_exponent(out, width, digits, real); });
  }
}

// Whether the field shows the value whole, judged by writing it and looking.
bool shown_whole(const field& f, const value& v) {
  if (f.kind == field_kind::text) return true;  // a text is cut to its field
  std::array<char, max_record> text;
  const int width = std::min<int>(f.width, static_cast<int>(text.size()));
  put_number(text.data(), f.kind, width, f.digits, v);
  return width == 0 || text[0] != '*';
}

// A field that takes a value, and the reals strictly between lowest and highest, which it surely
// shows whole: most values are judged by their size alone, at a fraction of the cost of writing
// them.
struct sure_range {
  const field* f;
  double lowest;
  double highest;
};

sure_range sure_range_of(const field& f) {
  constexpr double infinity = std::numeric_limits<double>::infinity();
  const int width = f.width;
  const int digits = std::clamp<int>(f.digits, 0, width);
  if (f.kind == field_kind::text) return {&f, -infinity, infinity};
  if (f.kind == field_kind::exponent && digits >= 1) {
    // The point, the digits and 4 for the exponent; a real below 0 keeps a digit, and its sign.
    const int length = digits + 5;
    return {&f, length < width ? -infinity : 0.0, length <= width ? infinity : 0.0};
  }
  const int room = width - 1 - digits;  // left of the point, for the sign and the integer digits
  if (f.kind == field_kind::fixed && room >= 2 && room < static_cast<int>(powers_of_ten.size())) {
    // A real shows whole when it rounds below 10^room, or below 10^(room - 1) with a sign.
    // Rounding, at the last decimal or at the seventh significant digit, carries a real up to
    // such a power only from within half a unit of that place; the bounds stay at least twice
    // as far below it.
    const auto unit_places =
        std::min<std::size_t>(static_cast<std::size_t>(digits), powers_of_ten.size() - 1);
    const double unit = 1.0 / static_cast<double>(powers_of_ten[unit_places]);
    const auto below = [&](int places) {
      const double power = static_cast<double>(powers_of_ten[static_cast<std::size_t>(places)]);
      return power - std::max(power * 1e-6, unit);
    };
    return {&f, -below(room - 1), below(room)};
  }
  return {&f, 0.0, 0.0};  // every value written out
}

void put_field(record_builder& rec, const field& f, const value& v) {
  // A field wider than the record's room is cut to it; no layout of the program comes near.
  const auto width =
      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(f.width), rec.room()));
  switch (f.kind) {
    case field_kind::integer:
    case field_kind::fixed:
    case field_kind::exponent:
      put_number(rec.reserve(static_cast<std::size_t>(width)), f.kind, width, f.digits, v);
      break;
    case field_kind::text: {
      const auto* t = std::get_if<std::string_view>(&v);
      const std::string_view text = t != nullptr ? *t : std::string_view{};
      if (f.width == 0) {
        rec.add_text(text);
      } else {
        // Aw: a longer text gives its first w characters, a shorter one is blank-padded on the
        // left.
        const auto w = static_cast<std::size_t>(width);
        char* at = rec.reserve(w);
        const std::size_t n = std::min(w, text.size());
        std::fill_n(at, w - n, ' ');
        std::copy_n(text.data(), n, at + (w - n));
      }
      break;
    }
    default:
      break;
  }
}

// The records of a layout of Iw, Fw.d, Ew.d and nX fields only, whose pass fits a record. Every
// field stands at the same column in every record and is written whole, so the blanks between
// fields are written once; a record ends with the last field that got a value.
void build_number_records(const layout& l, std::span<const value> values, record_sink sink) {
  struct placed_field {
    field_kind kind;
    int width;
    int digits;
    std::size_t at;  // the field's first column
  };
  std::array<placed_field, layout::max_fields> placed;
  std::size_t count = 0;
  std::size_t width = 0;
  for (const field& f : l.fields()) {
    if (f.kind != field_kind::blanks) placed[count++] = {f.kind, f.width, f.digits, width};
    width += static_cast<std::size_t>(f.width);
  }
  std::array<char, max_record> chars;
  std::fill_n(chars.data(), std::max<std::size_t>(width, 1), ' ');
  std::size_t next = 0;
  do {
    std::size_t size = 0;
    for (std::size_t i = 0; i < count && next < values.size(); ++i) {
      const placed_field& f = placed[i];
      char* const at = chars.data() + f.at;
      put_number(at, f.kind, f.width, f.digits, values[next++]);
      size = f.at + static_cast<std::size_t>(f.width);
    }
    sink({chars.data(), std::max<std::size_t>(size, 1)});  // an empty record is one blank
  } while (next < values.size());
}

}  // namespace

void build_layout_records(const layout& l, std::span<const value> values, record_sink sink) {
  if (l.number_width() != 0 && l.number_width() <= max_record) {
    build_number_records(l, values, sink);
    return;
  }
  record_builder rec(sink);
  const auto fields = l.fields();
  std::size_t next = 0;
  for (;;) {
    for (const field& f : fields) {
      switch (f.kind) {
        case field_kind::blanks:
          rec.add_blanks(static_cast<std::size_t>(f.width));
          break;
        case field_kind::literal:
          rec.add_text(l.literal(f));
          break;
        case field_kind::record_end:
          rec.end_record();
          break;
        default:
          if (next == values.size()) {
            rec.end_record();
            return;
          }
          put_field(rec, f, values[next++]);
          break;
      }
    }
    // Values left when the layout is used up start it again on a new record.
    if (next == values.size() || std::none_of(fields.begin(), fields.end(),
                                              [](const field& f) { return takes_value(f.kind); }))
      break;
    rec.end_record();
  }
  rec.end_record();
}

bool fits(const layout& l, std::span<const value> values) {
  std::array<sure_range, layout::max_fields> taking;
  std::size_t count = 0;
  for (const field& f : l.fields())
    if (takes_value(f.kind)) taking[count++] = sure_range_of(f);
  if (count == 0) return true;  // such a layout writes no value
  std::size_t next = 0;
  for (const value& v : values) {
    const sure_range& r = taking[next];
    const auto* const full = std::get_if<full_real>(&v);  // what the command line writes
    const double real = full != nullptr ? full->v : as_real(v);
    if (!(real > r.lowest && real < r.highest) && !shown_whole(*r.f, v)) return false;
    if (++next == count) next = 0;
  }
  return true;
}

void build_free_records(std::span<const value> values, record_sink sink) {
  constexpr std::size_t line = 80;  // the leading blank and 79 characters
  record_builder rec(sink);
  rec.add_text(" ");
  bool after_number = false;
  for (const value& v : values) {
    if (const auto* t = std::get_if<std::string_view>(&v)) {
      std::string_view text = *t;
      for (;;) {
        const std::size_t n = std::min(text.size(), line - rec.size());
        rec.add_text(text.substr(0, n));
        text.remove_prefix(n);
        if (text.empty()) break;
        rec.end_record();
        rec.add_text(" ");
      }
      after_number = false;
      continue;
    }
    const bool integer = std::holds_alternative<std::int32_t>(v);
    const auto* const full = std::get_if<full_real>(&v);
    const std::size_t width = static_cast<std::size_t>(
        integer ? free_integer_width : (full != nullptr ? free_full_real_width : free_real_width));
    if (rec.size() + width + (after_number ? 1 : 0) > line) {
      rec.end_record();
      rec.add_text(" ");
      after_number = false;
    }
    if (after_number) rec.add_text(" ");
    if (integer) {
      put_free_integer(rec.reserve(width), as_integer(v));
    } else if (full != nullptr) {
      put_free_real(rec.reserve(width), *full);
    } else {
      put_free_real(rec.reserve(width), as_real(v));
    }
    after_number = true;
  }
  rec.end_record();
}

}  // namespace recio
