#include "python/ScriptError.h"

#include "report/Messages.h"

namespace script {

namespace {
// The POD's error code for a target that does not answer on its cable.
constexpr int kNoTargetCode = 0x07;
} // namespace

ScriptError ScriptError::FromOutcome(const std::string& message, const pod::PodOutcome& outcome)
{
    switch (outcome.status) {
    case pod::PodStatus::NoAnswer:
        return ScriptError(message, ErrorKind::NoAnswer);
    case pod::PodStatus::LinkLost:
        return ScriptError(message, ErrorKind::LinkLost);
    case pod::PodStatus::ErrorReply:
        return ScriptError(message,
                           outcome.errorCode == kNoTargetCode ? ErrorKind::NoTarget : ErrorKind::ErrorReply,
                           outcome.errorCode);
    case pod::PodStatus::Ok:
    case pod::PodStatus::NotSent:
    case pod::PodStatus::BadReply:
        break;
    }
    return ScriptError(message);
}

ScriptError ScriptError::FromFailure(const std::string& message, int messageId,
                                     const pod::PodOutcome& outcome)
{
    if (messageId == report::kMsgNotConnected || messageId == report::kMsgOpenFailed)
        return ScriptError(message, ErrorKind::LinkLost);
    return FromOutcome(message, outcome);
}

} // namespace script
