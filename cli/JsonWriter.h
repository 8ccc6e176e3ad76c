#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Builds compact JSON text. Commas and nesting are tracked; strings are escaped (quotes,
// backslashes, control characters; bytes that are not valid UTF-8 are taken as Latin-1
// characters, as the program shows single-byte file text).
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Unsigned(std::uint64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& text() const { return m_text; }

    static std::string Escape(std::string_view value);

private:
    void BeforeValue();

    std::string m_text;
    std::vector<bool> m_hasItems; // one per open object or array
    bool m_afterKey = false;
};

} // namespace cli
