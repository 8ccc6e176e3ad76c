#pragma once

#include <Qt>

namespace ui {

// Model roles the accessible cells read beside the display text.

// A row of a tree shown as a table: 0 it has no children, 1 it is closed, 2 it is open;
// its first cell reports it as expandable and expanded or collapsed.
inline constexpr int kExpandStateRole = Qt::UserRole + 3;

} // namespace ui
