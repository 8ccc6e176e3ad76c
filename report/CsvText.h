#pragma once

#include <string>
#include <string_view>

namespace report {

// One field of a CSV line: as it is, or in double quotes (quotes doubled) when it holds a
// comma, a quote or a line break, so that spreadsheets read it back whole.
std::string CsvField(std::string_view text);

} // namespace report
