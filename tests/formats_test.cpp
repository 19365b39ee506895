// tests/formats_test.cpp: the table of formats against the contributors' page: the fields that
// each format holds, as the page's table gives them, are the ones its row says.
#include "formats/formats.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "spectrum/fields.hpp"
#include "tests/support/run_program.hpp"

namespace {

// The cells of a Markdown table's row: "| a | b |" gives {"a", "b"}.
std::vector<std::string> cells_of(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream in{row.substr(1)};
  for (std::string cell; std::getline(in, cell, '|');) {
    const std::size_t first = cell.find_first_not_of(' ');
    cells.push_back(first == std::string::npos
                        ? ""
                        : cell.substr(first, cell.find_last_not_of(' ') - first + 1));
  }
  return cells;
}

TEST(formats_table, holds_the_fields_that_the_contributors_page_gives) {
  const std::string page = test_support::read_file(std::filesystem::path(ZOLKDF_TEST_DIR) / ".." /
                                                   "doc" / "contributing.md");
  const std::size_t at = page.find("| field |");
  ASSERT_NE(at, std::string::npos) << "no table of fields on the contributors' page";
  std::stringstream lines{page.substr(at)};
  std::string line;
  std::getline(lines, line);
  const std::vector<std::string> formats = cells_of(line);
  std::getline(lines, line);  // the rule under the heading
  std::map<std::string, std::uint32_t> held;
  std::size_t rows = 0;
  while (std::getline(lines, line) && line.starts_with("|")) {
    const std::vector<std::string> cells = cells_of(line);
    std::uint32_t bit = 0;
    for (const spectrum::field_name& f : spectrum::field_names())
      if (f.name == cells.at(0)) bit = f.bit;
    ASSERT_NE(bit, 0u) << "no field named " << cells.at(0);
    for (std::size_t k = 1; k < cells.size() && k < formats.size(); ++k)
      if (cells[k] == "yes") held[formats[k]] |= bit;
    ++rows;
  }
  EXPECT_EQ(rows, spectrum::field_names().size());
  for (const formats::file_format* f : formats::all())
    EXPECT_EQ(held[std::string{f->name}], f->holds) << f->name;
  EXPECT_EQ(formats.size(), formats::all().size() + 1);
}

}  // namespace
