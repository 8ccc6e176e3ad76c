#pragma once

#include <QIcon>
#include <QString>

#include <cstdint>

// What the cells of the three monitoring lists show, shared by their models.
namespace listcells {
// The row image: one for a value of a word or two (and for address rows), another for a
// symbol that spans more than two words.
const QIcon& IconForSize(std::int32_t sizeWords);
// "0x%06X": six hex digits cover the 24-bit data space of the largest parts.
QString AddressText(std::uint32_t address);
} // namespace listcells
