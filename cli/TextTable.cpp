#include "cli/TextTable.h"

#include <algorithm>

namespace cli {

void PrintTextTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows) {
        for (std::size_t c = 0; c + 1 < row.size(); ++c)
            out << row[c] << std::string(widths[c] - row[c].size() + 2, ' ');
        if (!row.empty()) out << row.back();
        out << '\n';
    }
}

} // namespace cli
