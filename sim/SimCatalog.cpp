#include "sim/SimCatalog.h"

#include "image/McuCatalog.h"

namespace sim {

int PartCount()
{
    return image::kMcuCount;
}

std::optional<SimPart> PartFor(int type)
{
    if (!image::IsValidMcuType(type)) {
        return std::nullopt;
    }
    const image::McuRecord& record = image::RecordFor(type);
    SimPart part;
    part.type = type;
    part.name = record.name;
    part.ramWindow1First = record.ramWindow1First;
    part.ramWindow1Last = record.ramWindow1Last;
    part.ramWindow2First = record.ramWindow2First;
    part.ramWindow2Last = record.ramWindow2Last;
    for (int r = 0; r < kRegionCount; ++r) {
        SimRegion& region = part.regions[static_cast<std::size_t>(r)];
        region.present = record.present[r] != 0;
        region.first = record.first[r];
        region.last = record.last[r];
        region.pageWords = record.pageWords[r];
    }
    const auto loader = image::LoaderFor(type);
    part.loader.assign(loader.begin(), loader.end());
    return part;
}

int PartIndexByName(const std::string& name)
{
    return image::McuIndexByName(name);
}

std::span<const std::uint8_t> CarriedFirmware()
{
    return image::PodFirmwareImage();
}

}  // namespace sim
