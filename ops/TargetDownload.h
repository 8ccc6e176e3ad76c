#pragma once

#include "ops/TransferJob.h"

namespace ops {

// Connects to the target over JTAG, brings up EONCE (unlocking a secured 56800E
// chip), loads the part's flash routine, erases the selected regions and writes
// and/or verifies each selected region. The 56800 parts (types 0..6) take one
// program command per page; the 56800E parts stage each page in the POD's buffer in
// blocks of up to 256 words and commit it with one command. Returns false after
// showing the failing step's message.
bool TargetDownload(TransferJob& job);

} // namespace ops
