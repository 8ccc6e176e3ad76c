#pragma once

#include "cli/CliApp.h"
#include "pod/PodClock.h"

#include <sstream>
#include <string>
#include <vector>

namespace support {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// quobin-cli run in process with `args` after the program name, on a virtual clock so
// that the emulated POD's time-outs and delays cost no wall time.
inline CliRun RunCli(std::vector<std::string> args)
{
    args.insert(args.begin(), "quobin-cli");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    pod::VirtualPodClock clock;
    CliRun run;
    run.status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err, &clock);
    run.out = out.str();
    run.err = err.str();
    return run;
}

} // namespace support
