#include "platform/Identity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets (or with none, removes) an environment variable for the life of a case.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~EnvironmentValue() { Set(m_old); }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
#ifdef _WIN32
        _putenv_s(m_name, value ? value->c_str() : "");
#else
        if (value)
            setenv(m_name, value->c_str(), 1);
        else
            unsetenv(m_name);
#endif
    }

    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(Identity, TheHostHasAName)
{
    const std::string name = platform::HostName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('\0'), std::string::npos);
}

// A record's default operator: the first login variable set and not empty.
TEST(Identity, TheLoginNameComesFromTheEnvironment)
{
    struct Case {
        std::optional<std::string> user;
        std::optional<std::string> logname;
        std::optional<std::string> username;
        std::string expected;
    };
#ifdef _WIN32
    const Case cases[] = {
        {{}, {}, "ann", "ann"},
        {"bob", {}, {}, ""}, // Windows names its user USERNAME only
        {{}, {}, {}, ""},
    };
#else
    const Case cases[] = {
        {"ann", "bob", {}, "ann"},
        {"", "bob", {}, "bob"},
        {{}, "bob", {}, "bob"},
        {{}, {}, "carl", ""}, // Windows' variable means nothing here
        {{}, {}, {}, ""},
    };
#endif
    for (const Case& c : cases) {
        EnvironmentValue user("USER", c.user);
        EnvironmentValue logname("LOGNAME", c.logname);
        EnvironmentValue username("USERNAME", c.username);
        EXPECT_EQ(platform::LoginName(), c.expected);
    }
}

} // namespace
