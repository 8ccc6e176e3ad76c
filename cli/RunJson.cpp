#include "cli/RunJson.h"

#include "image/McuCatalog.h"

namespace cli {

Json RunJson(const std::string& serial, const ops::RunResult& result)
{
    Json wordsSent = Json::object();
    for (int r = 0; r < image::kRegionCount; ++r)
        wordsSent[image::RegionName(r)] = result.wordsSent[r];
    return {{"serial", JsonText(serial)},
            {"ok", result.ok},
            {"part", JsonText(result.record.part)},
            {"message", JsonText(result.message)},
            {"reason", JsonText(result.record.reason)},
            {"elapsed_ms", result.elapsedMs},
            {"words_sent", std::move(wordsSent)},
            {"interrupted", result.interrupted}};
}

} // namespace cli
