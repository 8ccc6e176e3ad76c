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

} // namespace script
