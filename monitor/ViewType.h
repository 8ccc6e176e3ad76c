#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "monitor/Latin1Text.h"

namespace monitor {

// How a watched value is read, written and shown. The numbers are stored in .Mon files
// and the names are what the lists show, so neither may change.
enum ViewType : std::uint8_t {
    BYTE_LOW = 0,  // low byte of a 16-bit word
    BYTE_HIGH = 1, // high byte of a 16-bit word (the POD returns it in the low 8 bits)
    HEX16 = 2,
    HEX32 = 3, // 32-bit types are two words, combined by the POD
    INT16 = 4,
    INT32 = 5,
    UINT16 = 6,
    UINT32 = 7,
    FLOAT = 8, // IEEE 754 single precision
    ASCII = 9, // a run of words, two characters each, low byte first
    FRAC16 = 10, // Q15: value / 32768
    FRAC32 = 11, // Q31: value / 2^31, two words
};
inline constexpr int kViewTypeCount = 12;

// How a view type reads, writes and shows a value: one row per type, in the enum's
// order. The rules that depend on the view type read it from here rather than each
// keeping a switch of its own.
struct ViewTypeTraits {
    enum class Kind : std::uint8_t { Hex, Signed, Unsigned, Float, Fraction, Text };
    const char* name;      // what the lists show and .Mon files store
    const char* menuLabel; // the "Change View Type" menu's entry
    Kind kind;
    std::uint8_t words;  // words a value occupies: 1 or 2; 0 for ASCII, sized by its item
    std::uint32_t mask;  // the bits a value keeps (a byte 8, a word 16, two words 32)
    ViewType wire;       // what the POD is given: it knows view types 0..8 only
};
// The row of a view type; a number outside 0..11 gets HEX16's.
const ViewTypeTraits& TraitsOf(ViewType viewType);
// A value's bits as the signed number of the type's width (16 or 32 bits).
std::int32_t SignedValue(ViewType viewType, std::uint32_t value);

// "BYTE_LOW" .. "FRAC32"; "" for a number outside 0..11.
const char* ViewTypeName(ViewType viewType);
// The labels of the "Change View Type" menu: "HEX8_LOW", "HEX8_HIGH", then the names.
const char* ViewTypeMenuLabel(ViewType viewType);
// Exact (case-sensitive) name match; any other text gives HEX16, as a list cell that names
// no type has always read.
ViewType ViewTypeFromName(std::string_view name);
// Exact name match without the HEX16 fallback, for input that must be checked.
std::optional<ViewType> FindViewType(std::string_view name);
// A stored number: 0..11 as is, anything else HEX16.
ViewType ViewTypeFromNumber(long number);
// The view type a symbol starts with: 1 word HEX16, 2 words HEX32, more ASCII. A size of 0
// or below has no natural width; HEX16 shows at least its first word.
ViewType DefaultViewType(std::int32_t sizeWords);
// HEX32, INT32, UINT32, FLOAT and FRAC32 occupy two words.
bool IsTwoWordViewType(ViewType viewType);
// The view type the POD is given: the fractions travel as the hexadecimal type of their
// width, since the POD knows only view types 0..8.
ViewType WireViewType(ViewType viewType);

// The "Monitor Value" text of a value read for every view type but ASCII ("").
std::string FormatMonitorValue(ViewType viewType, std::uint32_t value);
// The number a reading stands for in plots and logs; nullopt for ASCII (a text has none).
std::optional<double> PlotValue(ViewType viewType, std::uint32_t value);
// Whether the view type's numbers are whole (hex, signed, unsigned), to be given as
// integers; FLOAT and the fractions are not, nor is ASCII.
bool HasWholeValues(ViewType viewType);


} // namespace monitor
