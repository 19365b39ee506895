// tests/support/reference_fields.cpp: reading the reference renderings of number fields.
#include "tests/support/reference_fields.hpp"

#include <fstream>
#include <sstream>

namespace test_support {

std::vector<reference_row> reference_rows(bool& malformed) {
  malformed = false;
  std::vector<reference_row> rows;
  std::ifstream file(std::string(ZOLKDF_SHARED_DIR) + "/vectors/fields.tsv");
  // Each line: the bits in hex, the value, then the five renderings, tab-separated.
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream cells(line);
    std::vector<std::string> cell;
    for (std::string c; std::getline(cells, c, '\t');) cell.push_back(c);
    if (cell.size() != 7) {
      malformed = true;
      break;
    }
    reference_row& row = rows.emplace_back();
    row.bits = static_cast<std::uint32_t>(std::stoul(cell[0], nullptr, 16));
    row.value = cell[1];
    for (std::size_t i = 0; i < row.shown.size(); ++i) row.shown[i] = cell[i + 2];
  }
  return rows;
}

}  // namespace test_support
