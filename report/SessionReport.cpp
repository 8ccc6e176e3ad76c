#include "report/SessionReport.h"

#include "pod/PodSession.h"
#include "report/Messages.h"

namespace report {

bool EnsurePodSession(pod::PodSession& session, StatusSink& status)
{
    switch (session.EnsurePodSession()) {
    case pod::PodOpenResult::Open:
        return true;
    case pod::PodOpenResult::NotConnected:
        status.ReportStatus(kMsgNotConnected, true);
        return false;
    case pod::PodOpenResult::OpenFailed:
        status.ReportStatus(kMsgOpenFailed, true);
        return false;
    }
    return false;
}

} // namespace report
