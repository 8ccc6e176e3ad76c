#pragma once

#include "pod/StatusSink.h"

#include <array>
#include <string>

namespace ops {

// What the operations report to the programmer front end: the status line, progress
// and controls of StatusSink, plus the four region labels that every S-file load
// rewrites ("P1FLASH (1024 Word, 0.8%)"). Called from the operation worker; an
// implementation posts to its UI thread and never waits for it.
class ProgrammerView : public pod::StatusSink {
public:
    virtual void SetRegionLabels(const std::array<std::string, 4>& labels) = 0;
};

} // namespace ops
