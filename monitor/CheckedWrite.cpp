#include "monitor/CheckedWrite.h"

#include "monitor/Latin1Text.h"
#include "pod/PodCommands.h"
#include "report/OutcomeText.h"

namespace monitor {

namespace {

// What was written, as the read-back would show it.
std::string ExpectedText(const TypedSymbols& types, const WriteRequest& request, const TextSpan& span,
                         const WatchItem& item)
{
    if (request.fieldWidth > 0 && item.typed) {
        // The field's number as its own bits in its word show it, sign included.
        if (const auto field = types.BitFieldValue(*item.typed, request.value << request.fieldLsb))
            return std::to_string(*field);
    }
    if (request.viewType != ASCII)
        return FormatMonitorValue(request.viewType, request.value);
    return TextFromWords(request.text.words, span);
}

// Whether the read-back shows what was written: a field's own bits, a text, a value.
bool Matches(const TypedSymbols& types, const WriteRequest& request, const TextSpan& span, const WatchItem& item,
             const Reading& reading)
{
    if (request.fieldWidth > 0)
        return ((reading.raw >> request.fieldLsb) & FieldMask(request.fieldWidth)) == request.value;
    if (item.viewType == ASCII) return reading.text == ExpectedText(types, request, span, item);
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
    if (!Matches(types, request, span, item, reading)) {
        const std::string shown =
            types.ShownText(item.typed ? &*item.typed : nullptr, item.viewType, reading.raw, reading.text);
        return {item.label + " reads back " + shown + " after " + ExpectedText(types, request, span, item) +
                    " was written",
                {}};
    }
    reading.text =
        types.ShownText(item.typed ? &*item.typed : nullptr, item.viewType, reading.raw, reading.text);
    return {};
}

} // namespace monitor
