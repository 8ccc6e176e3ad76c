#pragma once

#include <stdexcept>
#include <string>

#include "pod/PodOutcome.h"

namespace script {

// What kind of failure a script sees; each kind has its own exception class under
// quobin.Error, so a test can tell a silent POD from a missing target.
enum class ErrorKind {
    Other,        // quobin.Error itself
    NoAnswer,     // quobin.NoAnswer: the POD did not answer within the time-out
    LinkLost,     // quobin.LinkLost: the POD is not attached, cannot be opened, or went away
    ErrorReply,   // quobin.ErrorReply: the POD refused the command; `code` is its error code
    NoTarget,     // quobin.NoTarget: error 07, nothing on the POD's cable answers
    ValueRefused, // quobin.ValueRefused: a value that cannot be written to the item
    Usage,        // quobin.UsageError: an argument that names nothing or does not fit
};

// A failure a script sees as one of quobin's exceptions: `what()` is the text quobin-cli
// prints for the same failure, without its "quobin-cli: " prefix.
class ScriptError : public std::runtime_error {
public:
    explicit ScriptError(const std::string& message, ErrorKind kind = ErrorKind::Other,
                         int code = -1)
        : std::runtime_error(message), m_kind(kind), m_code(code)
    {
    }
    // The kind the failing exchange's outcome stands for.
    static ScriptError FromOutcome(const std::string& message, const pod::PodOutcome& outcome);
    // A command's failure by its status message (the POD that could not be opened) and
    // the failing exchange's outcome.
    static ScriptError FromFailure(const std::string& message, int messageId,
                                   const pod::PodOutcome& outcome);
    static ScriptError Usage(const std::string& message) { return ScriptError(message, ErrorKind::Usage); }
    static ScriptError Refused(const std::string& message)
    {
        return ScriptError(message, ErrorKind::ValueRefused);
    }

    ErrorKind kind() const { return m_kind; }
    int code() const { return m_code; } // the POD's error code of an ErrorReply; -1 otherwise

private:
    ErrorKind m_kind;
    int m_code;
};

} // namespace script
