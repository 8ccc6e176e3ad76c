#pragma once

#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "ops/OperationRunner.h"

namespace ops {

class MonitorControl;
class ProgrammerView;

// The programming core over one POD session, built alike for every front end: the part
// selection, the flash images and the operation runner that works on them. The runner
// is declared last, so that its worker ends before the images go away.
struct Programmer {
    Programmer(pod::PodSession& session, ProgrammerView& view, MonitorControl& monitor)
        : runner(session, selection, images, view, monitor)
    {
    }
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;

    image::McuSelection selection;
    image::FlashImageSet images;
    OperationRunner runner;
};

} // namespace ops
