#include "monitor/CheckedWrite.h"

#include "monitor/Latin1Text.h"
#include "pod/PodCommands.h"
#include "report/OutcomeText.h"

namespace monitor {

namespace {

// What was written, as the read-back would show it.
std::string ExpectedText(const WriteRequest& request, const TextSpan& span, const WatchItem& item)
{
    if (request.fieldWidth > 0) {
        const std::uint32_t mask = FieldMask(request.fieldWidth);
        const bool negative = item.typed && item.typed->isSigned && request.fieldWidth < 32 &&
                              (request.value >> (request.fieldWidth - 1)) != 0;
        return std::to_string(negative ? static_cast<std::int64_t>(request.value) - (std::int64_t{mask} + 1)
                                       : std::int64_t{request.value});
    }
    if (request.viewType != ASCII)
        return FormatMonitorValue(request.viewType, request.value);
    return TextFromWords(request.text.words, span);
}

// Whether the read-back shows what was written: a field's own bits, a text, a value.
bool Matches(const WriteRequest& request, const TextSpan& span, const WatchItem& item, const Reading& reading)
{
    if (request.fieldWidth > 0)
        return ((reading.raw >> request.fieldLsb) & FieldMask(request.fieldWidth)) == request.value;
    if (item.viewType == ASCII) return reading.text == ExpectedText(request, span, item);
    return reading.raw == (request.value & TraitsOf(item.viewType).mask);
}

} // namespace

WriteCheck WriteAndReadBack(pod::PodSession& session, const TypedSymbols& types,
                            const WatchItem& item, const WriteRequest& request, Reading& reading)
{
    const TextSpan span = TextSpanOf(item);
    const WriteOutcome written = WriteOnce(session, request);
    if (!written) {
        std::string text =
            "writing " + item.label + " failed: " + report::DescribeOutcome(written.outcome);
        if (written.wordsTotal > 1)
            text += "; " + std::to_string(written.wordsWritten) + " of " +
                    std::to_string(written.wordsTotal) + " words were written";
        return {text, written.outcome};
    }
    if (const pod::PodOutcome outcome =
            ReadItemOnce(session, item.address, item.viewType, span, reading);
        !outcome)
        return {item.label + " was written but reading it back failed: " +
                    report::DescribeOutcome(outcome),
                outcome};
    if (!Matches(request, span, item, reading)) {
        const std::string shown =
            types.ShownText(item.typed ? &*item.typed : nullptr, item.viewType, reading.raw, reading.text);
        return {item.label + " reads back " + shown + " after " + ExpectedText(request, span, item) +
                    " was written",
                {}};
    }
    reading.text =
        types.ShownText(item.typed ? &*item.typed : nullptr, item.viewType, reading.raw, reading.text);
    return {};
}

} // namespace monitor
