#pragma once

#include <stdexcept>
#include <string>

namespace script {

// A failure a script sees as quobin.Error: `what()` is the text quobin-cli prints for
// the same failure, without its "quobin-cli: " prefix.
class ScriptError : public std::runtime_error {
public:
    explicit ScriptError(const std::string& message) : std::runtime_error(message) {}
};

// The lines quobin-cli printed on its error stream, each without the program's prefix,
// as one message.
std::string CliMessage(const std::string& printed);

} // namespace script
