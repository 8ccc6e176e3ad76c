// The emulator's state loader on files made from the input: it refuses or accepts, and
// an accepted state written out again reads back the same. Input: pod.txt, then the
// other files, each after a line "--- NAME".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "sim/SimStateStore.h"

namespace {

std::map<std::string, std::string> Split(std::string_view text)
{
    std::map<std::string, std::string> files;
    std::string name = "pod.txt";
    for (;;) {
        const std::size_t mark = text.find("--- ");
        const std::size_t eol = mark == std::string_view::npos ? mark : text.find('\n', mark);
        if (eol == std::string_view::npos) {
            files[name] += text;
            return files;
        }
        files[name] += text.substr(0, mark);
        name = std::string(text.substr(mark + 4, eol - mark - 4));
        text.remove_prefix(eol + 1);
    }
}

bool Load(const std::map<std::string, std::string>& files, sim::SimState& state, std::string& error)
{
    auto read = [&](const std::string& name, std::size_t maxBytes,
                    std::optional<std::string>& content, std::string& reason) {
        const auto it = files.find(name);
        if (it == files.end()) return true;
        if (it->second.size() > maxBytes) {
            reason = "too big";
            return false;
        }
        content = it->second;
        return true;
    };
    return sim::SimStateStore::Parse(read, state, error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto files = Split(std::string_view(reinterpret_cast<const char*>(data), size));
    sim::SimState state;
    std::string error;
    if (!Load(files, state, error)) {
        // No state, or a refusal that names one of the files.
        if (!error.empty() && !files.contains(error.substr(0, error.find(':')))) {
            std::fprintf(stderr, "refusal names no file of the state: %s\n", error.c_str());
            std::abort();
        }
        return 0;
    }
    std::map<std::string, std::string> written;
    for (auto& [name, content] : sim::SimStateStore::Files(state))
        if (content) written[name] = *content;
    sim::SimState again;
    if (!Load(written, again, error) ||
        sim::SimStateStore::Files(again) != sim::SimStateStore::Files(state)) {
        std::fprintf(stderr, "a loaded state does not read back as itself: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
