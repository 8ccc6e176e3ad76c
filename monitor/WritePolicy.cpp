#include "monitor/WritePolicy.h"

#include "monitor/Latin1Text.h"
#include "monitor/ValueText.h"

#include <bit>
#include <cmath>
#include <limits>

namespace monitor {

namespace {

WritePlan Refused(std::string why)
{
    return {std::nullopt, std::move(why)};
}

WriteRequest RequestFor(const WriteTarget& target)
{
    WriteRequest request;
    request.viewType = target.viewType;
    request.address = target.address;
    return request;
}

} // namespace

TextSpan TextSpanOf(const WriteTarget& target)
{
    const ByteExtent extent =
        target.typed ? ByteExtent{target.typed->lane, target.typed->sizeBytes} : ByteExtent{};
    return TextSpanOf(target.sizeWords, extent);
}

std::string CannotWriteAs(const WriteTarget& target)
{
    return "cannot write to " + target.label + " as " + ViewTypeName(target.viewType) + ": ";
}

WritePlan PrepareWrite(const WriteTarget& target, std::string_view text)
{
    if (target.typed != nullptr && target.typed->bits) return Refused(BitFieldWriteRefusal(*target.typed));
    WriteRequest request = RequestFor(target);
    if (target.viewType != ASCII) {
        const ValueTextReading reading = ReadValueText(text, target.viewType);
        if (!reading.bits) return Refused(CannotWriteAs(target) + reading.error);
        request.value = *reading.bits;
        return {std::move(request), {}};
    }
    const TextSpan span = TextSpanOf(target);
    if (span.room == 0)
        return Refused("cannot write '" + std::string(text) + "' to " + target.label +
                       ": it has no size to hold a text");
    std::string latin1;
    if (!Utf8ToLatin1(FitText(text, span), latin1))
        return Refused("cannot write '" + std::string(text) + "' to " + target.label +
                       ": the text holds a character that the target cannot store (only Latin-1 "
                       "characters, U+0000..U+00FF, fit in its bytes)");
    request.text = TextWordsOf(latin1, span);
    return {std::move(request), {}};
}

WritePlan PrepareFloatWrite(const WriteTarget& target, double number, const std::string& shown)
{
    if (target.typed != nullptr && target.typed->bits) return Refused(BitFieldWriteRefusal(*target.typed));
    if (target.viewType != FLOAT) return Refused(CannotWriteAs(target) + "give a text or a whole number");
    if (std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max())
        return Refused(CannotWriteAs(target) + shown + " is outside the range of FLOAT");
    WriteRequest request = RequestFor(target);
    request.value = std::bit_cast<std::uint32_t>(static_cast<float>(number));
    return {std::move(request), {}};
}

} // namespace monitor
