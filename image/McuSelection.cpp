#include "image/McuSelection.h"

namespace image {

McuSelection::McuSelection()
{
    SelectMcu(kDefaultMcuType);
}

bool McuSelection::SelectMcu(int type)
{
    if (!IsValidMcuType(type)) {
        return false;
    }
    m_type = type;
    m_loaderLength = LoaderLength(type);
    m_dataSpaceOffset = DataSpaceOffset(type);
    return true;
}

namespace {
bool ValidRegion(int region)
{
    return region >= 0 && region < kRegionCount;
}
} // namespace

std::uint32_t McuSelection::present(int region) const
{
    return ValidRegion(region) ? record().present[region] : 0;
}

std::uint32_t McuSelection::first(int region) const
{
    return ValidRegion(region) ? record().first[region] : 0;
}

std::uint32_t McuSelection::last(int region) const
{
    return ValidRegion(region) ? record().last[region] : 0;
}

std::uint32_t McuSelection::pageWords(int region) const
{
    return ValidRegion(region) ? record().pageWords[region] : 0;
}

std::uint32_t McuSelection::pageShift(int region) const
{
    return ValidRegion(region) ? record().pageShift[region] : 0;
}

} // namespace image
