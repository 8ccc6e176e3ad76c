#include "report/OutcomeText.h"

#include <cstdio>

#include "pod/PodErrorCodes.h"

namespace report {

std::string DescribeOutcome(const pod::PodOutcome& outcome)
{
    char text[96];
    switch (outcome.status) {
    case pod::PodStatus::Ok:
        return "";
    case pod::PodStatus::NotSent:
        return "nothing was sent to the POD (not open, or a value that does not fit)";
    case pod::PodStatus::ErrorReply: {
        std::snprintf(text, sizeof text, "the POD answered error %02X", outcome.errorCode);
        return std::string(text) + " (" + pod::PodErrorMeaning(outcome.errorCode) + ")";
    }
    case pod::PodStatus::NoAnswer:
        std::snprintf(text, sizeof text, "the POD did not answer within %u ms",
                      static_cast<unsigned>(outcome.timeoutMs));
        return text;
    case pod::PodStatus::BadReply:
        return "the POD's reply was cut short or malformed";
    case pod::PodStatus::LinkLost:
        return "the connection to the POD was lost";
    }
    return "";
}

} // namespace report
