#include "report/StatusSink.h"

#include "report/Messages.h"

namespace report {

void StatusSink::ReportStatus(int id, bool error)
{
    ShowStatusMessage(id, std::string(MessageText(id)), error);
}

} // namespace report
