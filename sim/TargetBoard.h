#pragma once

#include "sim/DemoProgram.h"
#include "sim/SimPart.h"
#include "sim/TargetChip.h"
#include "sim/TargetRam.h"

namespace sim {

// The board on the POD's JTAG cable: the chip, its RAM, and the program running there.
struct TargetBoard {
    TargetBoard(const SimPart& part, bool secured) : chip(part, secured), ram(part) {}

    TargetChip chip;
    TargetRam ram;
    DemoProgram program;
};

} // namespace sim
