#include "monitor/CheckedWrite.h"

#include "monitor/Latin1Text.h"
#include "pod/PodCommands.h"
#include "report/OutcomeText.h"

namespace monitor {

namespace {

// What was written, as the read-back would show it.
std::string ExpectedText(const WriteRequest& request, const TextSpan& span)
{
    if (request.viewType != ASCII)
        return FormatMonitorValue(request.viewType, request.value);
    return TextFromWords(request.text.words, span);
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
    const bool same = item.viewType == ASCII
                          ? reading.text == ExpectedText(request, span)
                          : reading.raw == (request.value & TraitsOf(item.viewType).mask);
    if (!same)
        return {item.label + " reads back " + reading.text + " after " + ExpectedText(request, span) +
                    " was written",
                {}};
    reading.text =
        types.ShownText(item.typed ? &*item.typed : nullptr, item.viewType, reading.raw, reading.text);
    return {};
}

} // namespace monitor
