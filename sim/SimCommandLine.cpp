#include "sim/SimCommandLine.h"

#include <cstdlib>

namespace sim {

namespace {
bool IsFlag(const std::string& name)
{
    return name == "sim-secured" || name == "sim-no-target" || name == "sim-boot";
}
}  // namespace

std::string TakeSimArguments(std::vector<std::string>& args, bool& simulate, SimOptions& options)
{
    const char* env = std::getenv("QUOBIN_SIMULATE");
    if (env != nullptr && std::string(env) == "1") {
        simulate = true;
    }
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--simulate") {
            simulate = true;
            continue;
        }
        if (arg.rfind("--sim-", 0) != 0) {
            rest.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (!IsFlag(name)) {
            if (i + 1 >= args.size()) {
                return "--" + name + " needs a value";
            }
            value = args[++i];
        }
        if (std::string error = ApplySimOption(options, name, value); !error.empty()) {
            return error;
        }
        simulate = true;
    }
    args.swap(rest);
    return {};
}

}  // namespace sim
