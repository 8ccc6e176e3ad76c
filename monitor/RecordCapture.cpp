#include "monitor/RecordCapture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

#include "pod/PodClock.h"
#include "pod/PodSession.h"

namespace monitor {

namespace {

// Waiting is cut into slices this long, so that a stop is heard within them.
constexpr std::uint32_t kSliceMs = 20;

RecordResult Refused(std::string why)
{
    return {{std::move(why), pod::PodOutcome::Ok()}, false};
}

bool IsBitField(const WatchItem& item)
{
    return item.typed && item.typed->bits.has_value();
}

// The item's value out of the one or two words the recorder kept.
std::uint32_t RawOf(ViewType viewType, std::uint32_t words)
{
    if (viewType == BYTE_HIGH) return (words >> 8) & 0xFFu;
    return words & TraitsOf(viewType).mask;
}

} // namespace

std::string RecorderChannelsOf(const std::vector<WatchItem>& items, std::vector<RecorderChannel>& channels)
{
    channels.clear();
    if (items.empty() || items.size() > recorder::kMaxChannels)
        return "a capture takes 1 to " + std::to_string(recorder::kMaxChannels) + " items";
    for (const WatchItem& item : items) {
        if (item.viewType == ASCII) return item.label + " is a text; a recorder channel is one or two words";
        channels.push_back({item.address, static_cast<std::uint16_t>(IsTwoWordViewType(item.viewType) ? 2 : 1)});
    }
    return {};
}

std::string TriggerLevelOf(const WatchItem& item, double level, std::int32_t& raw)
{
    // The recorder compares the trigger channel's words as a signed number of their width.
    if (item.viewType == BYTE_LOW || item.viewType == BYTE_HIGH || IsBitField(item))
        return "the trigger cannot be " + item.label + ": the recorder compares whole words";
    if (!std::isfinite(level)) return "the trigger level is not a number";
    const auto& traits = TraitsOf(item.viewType);
    const bool wide = traits.words == 2;
    double number = level;
    switch (traits.kind) {
    case ViewTypeTraits::Kind::Float:
        if (level < 0)
            return "a FLOAT trigger level must be 0 or above: the recorder compares a float's bits as an integer, "
                   "which orders negative floats backwards";
        raw = std::bit_cast<std::int32_t>(static_cast<float>(level));
        return {};
    case ViewTypeTraits::Kind::Fraction: number = std::round(level * (wide ? 2147483648.0 : 32768.0)); break;
    default: number = std::round(level); break;
    }
    const double low = wide ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int16_t>::min();
    const double high = wide ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int16_t>::max();
    if (number < low || number > high) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", level);
        return "the trigger level " + std::string(text) + " is outside what the recorder compares for " +
               item.label + " (signed " + (wide ? "32" : "16") + "-bit numbers)";
    }
    raw = static_cast<std::int32_t>(number);
    return {};
}

RecordResult RecordCapture(pod::PodSession& session, pod::PodClock& clock, const TypedSymbols& types,
                           std::uint32_t base, const RecordRequest& request, const RecordProgressSink& progress,
                           Recording& recording)
{
    RecorderSettings settings;
    if (std::string why = RecorderChannelsOf(request.items, settings.channels); !why.empty()) return Refused(why);
    if (request.loopHz == 0) return Refused("the loop rate is at least 1 Hz");
    settings.divider = request.divider;
    settings.samples = request.samples;
    settings.preTrigger = request.preTrigger;
    settings.edge = request.edge;
    if (request.triggerItem) {
        if (*request.triggerItem >= request.items.size()) return Refused("the trigger is one of the captured items");
        settings.triggerChannel = static_cast<std::uint16_t>(*request.triggerItem);
        if (std::string why = TriggerLevelOf(request.items[*request.triggerItem], request.level, settings.level);
            !why.empty())
            return Refused(why);
    }
    if (RecorderResult armed = ArmRecorder(session, base, settings); !armed.ok()) return {armed, false};

    RecordProgress report;
    const auto told = [&] { return !progress || progress(report); };
    const auto stop = [&] {
        return RecordResult{DisarmRecorder(session, base), true};
    };
    const std::uint32_t pollMs = std::max<std::uint32_t>(request.pollMs, 1);
    for (;;) {
        if (RecorderResult read = ReadRecorderStatus(session, base, report.status); !read.ok()) return {read, false};
        if (report.status.state == recorder::State::Done) break;
        if (report.status.state == recorder::State::Idle)
            return Refused("the recorder went back to idle before its capture was done: its firmware refused the "
                           "settings, or another tool stopped it");
        for (std::uint32_t waited = 0; waited < pollMs; waited += kSliceMs) {
            if (!told()) return stop();
            clock.SleepMs(std::min(kSliceMs, pollMs - waited));
        }
    }

    report.phase = RecordProgress::Phase::Uploading;
    Capture capture;
    bool stopped = false;
    const RecorderResult uploaded =
        UploadRecorder(session, base, capture, [&](std::uint32_t read, std::uint32_t total) {
            report.wordsRead = read;
            report.bufferWords = total;
            stopped = !told();
            return !stopped;
        });
    if (stopped) return {{}, true};
    if (!uploaded.ok()) return {uploaded, false};

    recording = {};
    recording.triggerSample = capture.triggerSample;
    recording.periodNs = 1'000'000'000ull * request.divider / request.loopHz;
    for (std::size_t c = 0; c < request.items.size(); ++c) {
        const WatchItem& item = request.items[c];
        RecordedChannel channel{item.label, item.viewType, {}, {}};
        const TypedRow* typed = item.typed ? &*item.typed : nullptr;
        for (const std::uint32_t words : capture.channels[c]) {
            const std::uint32_t raw = RawOf(item.viewType, words);
            const auto field = typed ? types.BitFieldValue(*typed, raw) : std::nullopt;
            channel.values.push_back(field ? std::optional<double>(static_cast<double>(*field))
                                           : PlotValue(item.viewType, raw));
            channel.texts.push_back(types.ShownText(typed, item.viewType, raw, FormatMonitorValue(item.viewType, raw)));
        }
        recording.channels.push_back(std::move(channel));
    }
    return {};
}

} // namespace monitor
