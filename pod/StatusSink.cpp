#include "pod/StatusSink.h"

#include "pod/Messages.h"

namespace pod {

void StatusSink::ReportStatus(int id, bool error)
{
    ShowStatus(std::string(MessageText(id)), error);
}

} // namespace pod
