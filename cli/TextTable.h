#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Rows of cells in columns as wide as their widest cell, two spaces apart; the last cell
// of a row is not padded. The first row is the header.
void PrintTextTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

} // namespace cli
