#include "cli/JsonWriter.h"

#include <cstdio>

namespace cli {

namespace {

// Length of a valid UTF-8 sequence at s[i], 0 if the bytes there are not one.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF) {
        return 0;
    }
    return n;
}

} // namespace

std::string JsonWriter::Escape(std::string_view value)
{
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < value.size();) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c >= 0x80) {
            const std::size_t n = Utf8Length(value, i);
            if (n > 0) {
                out.append(value.substr(i, n));
                i += n;
            } else {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", c);
                out += u;
                ++i;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", c);
                out += u;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

void JsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasItems.empty()) {
        if (m_hasItems.back()) {
            m_text += ',';
        }
        m_hasItems.back() = true;
    }
}

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    m_text += '{';
    m_hasItems.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_hasItems.pop_back();
    m_text += '}';
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    m_text += '[';
    m_hasItems.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_hasItems.pop_back();
    m_text += ']';
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name)
{
    BeforeValue();
    m_text += Escape(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value)
{
    BeforeValue();
    m_text += Escape(value);
    return *this;
}

JsonWriter& JsonWriter::Number(std::int64_t value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Unsigned(std::uint64_t value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    m_text += "null";
    return *this;
}

} // namespace cli
