// control/driver.cpp: the conversion driver: start notices, the mode question and the keyboard
// dialogue, one conversion after another.
#include "control/driver.hpp"

#include "control/conversion.hpp"
#include "control/dispatch.hpp"
#include "control/list_file.hpp"
#include "recio/recio.hpp"

namespace control {

namespace {

using recio::console;
using recio::keyboard;

constexpr recio::layout capacity_notice{
    "(/'  Type 5 and 6 input files are limited to ',I6,' points.'"
    "/'  No output is produced from larger files'/)"};
constexpr recio::layout first_points_notice{
    "('  Only the first',I7,' points are processed from input'/'  files of types 1, 2 and 3.'/)"};
constexpr recio::layout input_menu{
    "(' enter input file format '/' 1= Y  (single column)'/' 2= XY (two columns)'"
    "/' 3= 6XY (6 columns)'/' 4= JCAMP '/' 5= OLD SPC'/' 6= New SPC'/)"};
constexpr recio::layout output_menu{
    "(' enter output file format '/' 1= Y  (single column)'/' 2= XY (two columns)'"
    "/' 3= 6XY (6 columns)'/' 4= JCAMP '/' 5= SPC'/' 6= New SPC'/)"};
constexpr recio::layout summary{
    "('   Number of Data Points = ',I6/'   Highest wavenumber   = ',F10.2,' cm-1'"
    "/'   lowest wavenumber = ',F10.2,' cm-1')"};
constexpr recio::layout one_character{"(A1)"};
constexpr recio::layout name_record{"(A12)"};
constexpr recio::layout memo_record{"(A130)"};

// The driver's state, zero at start and never cleared between conversions.
struct driver_state : conversion {
  recio::fixed_text<1> reply;
};
driver_state state;

// Asks whether the conversions come from the keyboard or a list file, until the reply is one of
// K, k, F, f; true for the keyboard.
bool ask_mode() {
  for (;;) {
    recio::write_free(console, {" Is the input from keyboard (K) or data file (F) ?"});
    recio::read(keyboard, one_character, {}, {state.reply.ref()});
    recio::write_free(console, {"  ", state.reply.view(), " entered"});
    const char c = state.reply.chars[0];
    if (c == 'K' || c == 'k') return true;
    if (c == 'F' || c == 'f') return false;
    recio::write_free(console, {"entered value is ans = ", state.reply.view()});
  }
}

void convert_from_keyboard() {
  recio::write_free(console, {" enter input file name (with extension) :  "});
  recio::read(keyboard, name_record, {}, {state.input_name.ref()});
  recio::write(console, input_menu, {});
  recio::read_free(keyboard, {}, {&state.input_code});
  recio::write_free(console, {" enter output file name (with extension) :  "});
  recio::read(keyboard, name_record, {}, {state.output_name.ref()});
  recio::write(console, output_menu, {});
  recio::read_free(keyboard, {}, {&state.output_code});

  if (state.input_code == state.output_code) {
    recio::write_free(console, {});
    recio::write_free(console, {" Files being processed BUT"});
    recio::write_free(console, {"Note that input and output formats are the same"});
    recio::write_free(console, {});
  }

  fixed_spectrum& s = state.data;
  if (!read_spectrum(state.input_code, state.input_name, s)) return;
  if (s.count > array_capacity) {
    too_many_points(state.input_name);
    return;
  }
  recio::write(console, summary, {s.count, s.first_x, s.last_x});
  if (state.output_code == 5 || state.output_code == 6) {
    recio::write_free(console, {" Enter any memo you want saved with the spectrum"});
    recio::write_free(console, {" Up to 130 characters: "});
    recio::read(keyboard, memo_record, {}, {s.memo.ref()});
  }
  write_spectrum(state.output_code, state.output_name, s);
}

}  // namespace

void run_driver() {
  array_capacity = max_points;
  recio::write(console, capacity_notice, {array_capacity});
  recio::write(console, first_points_notice, {array_capacity});
  recio::write_free(console, {" The program does not yet handle type 4 input files"});
  recio::write_free(console, {});

  if (!ask_mode()) run_list_file(state);
  for (;;) {
    convert_from_keyboard();
    recio::write_free(console, {" want to do another conversion ? (Y/n) : "});
    recio::read(keyboard, one_character, {}, {state.reply.ref()});
    const char c = state.reply.chars[0];
    if (c != 'Y' && c != 'y') recio::stop("Program ends normally", recio::exit_status::normal);
  }
}

}  // namespace control
