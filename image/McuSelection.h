#pragma once

#include <cstdint>

#include "image/McuCatalog.h"

namespace image {

// The part currently selected and its memory map. One instance is owned by whoever runs
// the program (main window, command line, test) and passed by reference; SelectMcu is
// the only writer. Starts with MC56F8367 selected.
class McuSelection {
public:
    McuSelection();

    // Makes the type current. A type outside 0..27 is refused (returns false) and the
    // selection stays as it was.
    bool SelectMcu(int type);

    int type() const { return m_type; }
    const McuRecord& record() const { return RecordFor(m_type); }

    // Region fields of the current part; 0 for a region index outside 0..3.
    std::uint32_t present(int region) const;
    std::uint32_t first(int region) const;
    std::uint32_t last(int region) const;
    std::uint32_t pageWords(int region) const;
    std::uint32_t pageShift(int region) const;

    std::uint32_t loaderLength() const { return m_loaderLength; }
    std::uint32_t dataSpaceOffset() const { return m_dataSpaceOffset; }

private:
    int m_type = kDefaultMcuType;
    std::uint32_t m_loaderLength = 0;
    std::uint32_t m_dataSpaceOffset = 0;
};

} // namespace image
