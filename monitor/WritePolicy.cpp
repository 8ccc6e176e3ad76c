#include "monitor/WritePolicy.h"

#include "monitor/Latin1Text.h"
#include "monitor/ValueText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// A whole number as a user types one for a field: decimal with an optional sign, or
// hexadecimal after "0x"; the whole text, nothing around it.
std::optional<std::int64_t> WholeNumber(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || magnitude > (1ull << 40))
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

std::string EnumeratorList(const TypedRow& row)
{
    std::string list;
    for (const elf::Enumerator& e : row.enumerators)
        list += (list.empty() ? "" : ", ") + e.name.str() + " (" + std::to_string(e.value) + ")";
    return list;
}

// The number a text names for a row of an enum type: an enumerator's name, its number,
// or "number (name)" as the value cells show it. Any other text, or a number no
// enumerator has, is refused with the names there are.
std::optional<std::int64_t> EnumeratorValue(const TypedRow& row, std::string_view text, std::string& error)
{
    std::string_view name = text;
    std::optional<std::int64_t> number;
    if (const auto open = text.find(" ("); open != std::string_view::npos && text.back() == ')') {
        number = WholeNumber(text.substr(0, open));
        name = text.substr(open + 2, text.size() - open - 3);
    } else if (auto whole = WholeNumber(text)) {
        number = whole;
        name = {};
    }
    for (const elf::Enumerator& e : row.enumerators)
        if ((name.empty() || e.name == name) && (!number || *number == e.value) && (number || !name.empty()))
            return e.value;
    error = "'" + std::string(text) + "' is none of " + EnumeratorList(row);
    return std::nullopt;
}

WritePlan PrepareFieldWrite(const WriteTarget& target, std::string_view text)
{
    const TypedRow& row = *target.typed;
    const std::string start = "cannot write to " + target.label + " (" + BitFieldPlace(row) + "): ";
    std::string error;
    const std::optional<std::int64_t> value =
        row.enumerators.empty() ? WholeNumber(text) : EnumeratorValue(row, text, error);
    if (!value)
        return Refused(start + (error.empty() ? "'" + std::string(text) + "' is not a whole number" : error));
    const int width = row.bits->width;
    const std::int64_t low = row.isSigned ? -(std::int64_t{1} << (width - 1)) : 0;
    const std::int64_t high = row.isSigned ? (std::int64_t{1} << (width - 1)) - 1 : (std::int64_t{1} << width) - 1;
    if (*value < low || *value > high)
        return Refused(start + std::string(text) + " is outside " + std::to_string(low) + " to " +
                       std::to_string(high));
    WriteRequest request = RequestFor(target);
    request.viewType = row.sizeBytes == 4 ? UINT32 : UINT16;
    request.value = static_cast<std::uint32_t>(*value) & FieldMask(row.bits->width);
    request.fieldLsb = row.bits->lsb;
    request.fieldWidth = row.bits->width;
    return {std::move(request), {}};
}

// An enum shown with its own view type takes its enumerators' names and numbers.
WritePlan PrepareEnumWrite(const WriteTarget& target, std::string_view text)
{
    std::string error;
    const std::optional<std::int64_t> value = EnumeratorValue(*target.typed, text, error);
    if (!value) return Refused(CannotWriteAs(target) + error);
    const bool hex = TraitsOf(target.viewType).kind == ViewTypeTraits::Kind::Hex;
    char digits[32];
    std::snprintf(digits, sizeof digits, hex ? "%llX" : "%lld", static_cast<long long>(*value));
    return PrepareWrite({target.label, target.address, target.viewType, target.sizeWords, nullptr}, digits);
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
    if (target.typed != nullptr && target.typed->bits) return PrepareFieldWrite(target, text);
    if (target.typed != nullptr && !target.typed->enumerators.empty() &&
        target.viewType == target.typed->viewType)
        return PrepareEnumWrite(target, text);
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
    if (target.typed != nullptr && target.typed->bits)
        return Refused("cannot write to " + target.label + " (" + BitFieldPlace(*target.typed) +
                       "): give a whole number");
    if (target.viewType != FLOAT) return Refused(CannotWriteAs(target) + "give a text or a whole number");
    if (std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max())
        return Refused(CannotWriteAs(target) + shown + " is outside the range of FLOAT");
    WriteRequest request = RequestFor(target);
    request.value = std::bit_cast<std::uint32_t>(static_cast<float>(number));
    return {std::move(request), {}};
}

} // namespace monitor
