// recio/number_fields.hpp: the look of every number written: Iw, Fw.d, Ew.d and free-form.
#pragma once

#include <cstdint>
#include <string>

#include "recio/values.hpp"

namespace recio {

// Free-form output gives an integer 11 columns, a real 15 and a full real 25.
inline constexpr int free_integer_width = 11;
inline constexpr int free_real_width = 15;
inline constexpr int free_full_real_width = 25;

// Each put_ writes exactly its field's width of characters at out; a value too wide for the
// field fills it with asterisks. Reals keep at most 7 significant digits, full reals 17.
// put_integer(out, 6, -5) writes "    -5".
void put_integer(char* out, int width, std::int64_t v);
// put_fixed(out, 9, 3, 0.5) writes "     .500".
void put_fixed(char* out, int width, int decimals, double v);
// put_exponent(out, 14, 7, 1.0) writes "  .1000000E+01".
void put_exponent(char* out, int width, int digits, double v);
// put_free_integer(out, 5) writes "          5".
void put_free_integer(char* out, std::int64_t v);
// put_free_real(out, 1.0) writes "       1.000000"; put_free_real(out, 0.5) "   5.000000E-01".
void put_free_real(char* out, double v);
// A full real takes the same fields with up to 17 significant digits, rounded by the same rule.
// put_fixed(out, 11, 5, full_real{12345.6789}) writes "12345.67890".
void put_fixed(char* out, int width, int decimals, full_real v);
// put_exponent(out, 20, 12, full_real{0.1}) writes "   .100000000000E+00".
void put_exponent(char* out, int width, int digits, full_real v);
// In free_full_real_width columns: put_free_real(out, full_real{0.1}) writes
// "   1.0000000000000001E-01".
void put_free_real(char* out, full_real v);

// The same, as strings.
// render_f(4000.1235f, 11, 5) == " 4000.12400"
std::string render_i(std::int64_t v, int width);
std::string render_f(double v, int width, int decimals);
std::string render_e(double v, int width, int digits);
std::string render_free_integer(std::int64_t v);
std::string render_free_real(double v);
std::string render_f(full_real v, int width, int decimals);
std::string render_e(full_real v, int width, int digits);
std::string render_free_real(full_real v);

}  // namespace recio
