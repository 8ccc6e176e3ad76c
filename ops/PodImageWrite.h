#pragma once

#include "ops/TransferJob.h"

namespace ops {

// Stores the programming job in the POD (header, the part's flash routine, and the
// selected regions in 264-word blocks), or compares the stored job with the S file,
// so that the POD can later program targets on its own. Talks to the POD only; no
// target needs to be attached. Returns false after showing the failing step's message.
bool PodImageWrite(TransferJob& job);

} // namespace ops
