// control/dispatch.cpp: the readers and the writers, chosen by format code.
#include "control/dispatch.hpp"

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "textfmt/textfmt.hpp"

namespace control {

namespace {
constexpr recio::layout too_many_layout{
    "(' ZOLKDF:File ',A12,':Number of Points exceeds array size',1X,I6/' No output created'/)"};

void option_not_available() { recio::write_free(recio::console, {" option not available"}); }
}  // namespace

void too_many_points(const file_name& input) {
  recio::write(recio::console, too_many_layout, {input.view(), array_capacity});
}

bool read_spectrum(std::int32_t code, const file_name& name, fixed_spectrum& s) {
  switch (code) {
    case 1:
      READ1(name, s.x, s.y, s.first_x, s.last_x, s.count, array_capacity);
      return true;
    case 2:
      READ2(name, s.x, s.y, s.first_x, s.last_x, s.count, array_capacity);
      return true;
    case 3:
      READ3(name, s.x, s.y, s.first_x, s.last_x, s.count, array_capacity);
      return true;
    case 4:  // JCAMP
      option_not_available();
      return false;
    case 5:  // either SPC variant: the file's version byte decides
    case 6:
      READ5(name, s.x, s.y, s.first_x, s.last_x, s.count);
      return true;
    default:  // no such format: nothing is read
      return true;
  }
}

void write_spectrum(std::int32_t code, const file_name& name, fixed_spectrum& s) {
  switch (code) {
    case 1:
      WRITE1(name, s.y, s.first_x, s.last_x, s.count);
      break;
    case 2:
      WRITE2(name, s.x, s.y, s.count);
      break;
    case 3:
      WRITE3(name, s.x, s.y, s.count);
      break;
    case 4:  // JCAMP
      option_not_available();
      break;
    case 5:
      WRITE5(name, s.x, s.y, s.count, s.memo);
      break;
    case 6:
      WRITE6(name, s.x, s.y, s.count, s.memo);
      break;
    default:  // no such format: nothing is written
      break;
  }
}

}  // namespace control
