#include "monitor/MonitorReader.h"

#include <vector>

#include "monitor/Latin1Text.h"
#include "monitor/ValueText.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"

namespace monitor {

pod::PodOutcome ReadItemOnce(pod::PodSession& session, std::uint32_t address, ViewType viewType,
                             const TextSpan& text, Reading& reading)
{
    auto lock = session.Lock();
    if (viewType != ASCII) {
        std::uint32_t value = 0;
        const pod::PodOutcome outcome =
            pod::CmdReadMemory(session, WireViewType(viewType), address, value);
        if (!outcome) return outcome;
        reading.raw = value;
        reading.text = FormatMonitorValue(viewType, value);
        reading.value = PlotValue(viewType, value);
        return outcome;
    }
    std::vector<std::uint16_t> words;
    const std::uint32_t count = TextWordCount(text);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        const pod::PodOutcome outcome = pod::CmdReadMemory(session, HEX16, address + i, value);
        if (!outcome) return outcome;
        const auto word = static_cast<std::uint16_t>(value);
        words.push_back(word);
        // The text ends at its first zero byte; the words after it are not read.
        const bool lowIsText = i > 0 || text.lane == 0;
        if ((lowIsText && (word & 0x00FFu) == 0) || (word & 0xFF00u) == 0) break;
    }
    reading.raw = 0;
    reading.text = TextFromWords(words, text);
    reading.value.reset();
    return pod::PodOutcome::Ok();
}

std::uint32_t FieldMask(std::uint16_t width)
{
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
}

WriteOutcome WriteOnce(pod::PodSession& session, const WriteRequest& request)
{
    auto lock = session.Lock();
    WriteOutcome result;
    if (request.fieldWidth > 0) {
        result.wordsTotal = 1;
        const ViewType word = WireViewType(request.viewType);
        std::uint32_t held = 0;
        result.outcome = pod::CmdReadMemory(session, word, request.address, held);
        if (!result.ok()) return result;
        const std::uint32_t mask = FieldMask(request.fieldWidth) << request.fieldLsb;
        const std::uint32_t value = (held & ~mask) | ((request.value << request.fieldLsb) & mask);
        result.outcome = pod::CmdWriteMemory(session, word, request.address, value);
        result.wordsWritten = result.ok() ? 1 : 0;
        return result;
    }
    if (request.viewType != ASCII) {
        result.wordsTotal = 1;
        result.outcome = pod::CmdWriteMemory(session, WireViewType(request.viewType),
                                             request.address, request.value);
        result.wordsWritten = result.ok() ? 1 : 0;
        return result;
    }
    const std::vector<std::uint16_t>& words = request.text.words;
    result.wordsTotal = words.size();
    for (std::size_t i = 0; i < words.size(); ++i) {
        // A byte write leaves the other byte of a shared word as the target holds it: the
        // POD merges it, so a neighbour changing meanwhile is not overwritten.
        ViewType width = HEX16;
        std::uint32_t value = words[i];
        if (i == 0 && request.text.firstHighOnly) {
            width = BYTE_HIGH;
            value = words[i] >> 8;
        } else if (i + 1 == words.size() && request.text.lastLowOnly) {
            width = BYTE_LOW;
            value = words[i] & 0xFFu;
        }
        result.outcome = pod::CmdWriteMemory(
            session, width, request.address + static_cast<std::uint32_t>(i), value);
        if (!result.ok()) return result;
        ++result.wordsWritten;
    }
    return result;
}

} // namespace monitor
