#include "sim/SimStateStore.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "sim/HexText.h"

namespace sim {

namespace {

// "cannot read PATH: reason" for the failure just seen, when the file is there at all; a
// missing file is no error (the state simply has no such part). Empty otherwise.
std::string ReadError(const std::string& path)
{
    const int error = errno;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return {};
    }
    return "cannot read " + path + ": " + std::generic_category().message(error);
}

// False with `error` naming the file and the reason when it exists but cannot be read.
bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = ReadError(path);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Keeps the first failure in `error`, naming the file and the reason.
bool WriteFile(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
    }
    if (!out && error.empty()) {
        error = "cannot write " + path + ": " + std::generic_category().message(errno);
    }
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> WordsToBytes(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

std::vector<std::uint16_t> BytesToWords(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        words.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return words;
}

std::string WordsToHex(const std::vector<std::uint16_t>& words)
{
    std::string out;
    for (std::uint16_t w : words) {
        AppendHex(out, w, 4);
    }
    return out;
}

bool HexToWords(std::string_view text, std::vector<std::uint16_t>& words)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    words.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::uint32_t w = 0;
        if (!ReadHexField(text, pos, 4, w)) {
            return false;
        }
        words.push_back(static_cast<std::uint16_t>(w));
    }
    return true;
}

} // namespace

std::string SimStateStore::Path(const std::string& name) const
{
    return (std::filesystem::path(m_directory) / name).string();
}

bool SimStateStore::Save(const SimState& state, std::string& error) const
{
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    if (ec) {
        error = "cannot create " + m_directory + ": " + ec.message();
        return false;
    }
    std::ostringstream pod;
    pod << "version=" << state.versionMajor << "." << state.versionMinor << "\n";
    pod << "boot-only=" << (state.bootOnly ? 1 : 0) << "\n";
    if (state.hasTarget) {
        pod << "mcu=" << state.mcuType << "\n";
        pod << "secured=" << (state.secured ? 1 : 0) << "\n";
    }
    const std::string podText = pod.str();
    error.clear();
    bool ok = WriteFile(Path("pod.txt"), podText.data(), podText.size(), error);

    if (!state.firmware.empty()) {
        ok = WriteFile(Path("firmware.bin"), state.firmware.data(), state.firmware.size(), error) &&
             ok;
    } else {
        std::filesystem::remove(Path("firmware.bin"), ec);
    }

    for (int r = 0; r < kRegionCount; ++r) {
        const std::string path =
            Path(std::string(kRegionNames[static_cast<std::size_t>(r)]) + ".bin");
        const auto& words = state.flash[static_cast<std::size_t>(r)];
        if (!state.hasTarget || words.empty()) {
            std::filesystem::remove(path, ec);
            continue;
        }
        const std::vector<std::uint8_t> bytes = WordsToBytes(words);
        ok = WriteFile(path, bytes.data(), bytes.size(), error) && ok;
    }

    for (std::size_t w = 0; w < state.ram.size(); ++w) {
        const std::string path = Path("RAM" + std::to_string(w + 1) + ".bin");
        if (!state.hasTarget || state.ram[w].empty()) {
            std::filesystem::remove(path, ec);
            continue;
        }
        const std::vector<std::uint8_t> bytes = WordsToBytes(state.ram[w]);
        ok = WriteFile(path, bytes.data(), bytes.size(), error) && ok;
    }

    if (state.hasJob) {
        std::ostringstream job;
        const PodJobHeader& h = state.jobHeader;
        job << "header " << h.mcuType << " " << h.constant << " " << h.resetAfter << " "
            << h.resetPolarity << " " << h.resetDelay << " " << h.loaderLength;
        for (std::uint32_t c : h.counts) {
            job << " " << c;
        }
        job << "\nloader " << WordsToHex(state.jobLoader) << "\n";
        for (const auto& [number, words] : state.jobBlocks) {
            job << "block " << number << " " << WordsToHex(words) << "\n";
        }
        const std::string jobText = job.str();
        ok = WriteFile(Path("job.txt"), jobText.data(), jobText.size(), error) && ok;
    } else {
        std::filesystem::remove(Path("job.txt"), ec);
    }
    return ok;
}

bool SimStateStore::Load(SimState& state, std::string& error) const
{
    std::ifstream pod(Path("pod.txt"));
    if (!pod) {
        error = ReadError(Path("pod.txt"));
        return false;
    }
    SimState loaded;
    std::string line;
    while (std::getline(pod, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "version") {
            if (std::sscanf(value.c_str(), "%d.%d", &loaded.versionMajor, &loaded.versionMinor) !=
                2) {
                error = Path("pod.txt") + ": bad version '" + value + "'";
                return false;
            }
        } else if (key == "boot-only") {
            loaded.bootOnly = value == "1";
        } else if (key == "mcu") {
            loaded.hasTarget = true;
            loaded.mcuType = std::atoi(value.c_str());
        } else if (key == "secured") {
            loaded.secured = value == "1";
        }
    }
    if (!ReadFile(Path("firmware.bin"), loaded.firmware, error) && !error.empty()) {
        return false;
    }

    if (loaded.hasTarget) {
        for (int r = 0; r < kRegionCount; ++r) {
            std::vector<std::uint8_t> bytes;
            if (!ReadFile(Path(std::string(kRegionNames[static_cast<std::size_t>(r)]) + ".bin"),
                          bytes, error)) {
                if (!error.empty()) {
                    return false;
                }
                continue;
            }
            loaded.flash[static_cast<std::size_t>(r)] = BytesToWords(bytes);
        }
        for (std::size_t w = 0; w < loaded.ram.size(); ++w) {
            std::vector<std::uint8_t> bytes;
            if (ReadFile(Path("RAM" + std::to_string(w + 1) + ".bin"), bytes, error)) {
                loaded.ram[w] = BytesToWords(bytes);
            } else if (!error.empty()) {
                return false;
            }
        }
    }

    std::ifstream job(Path("job.txt"));
    if (!job) {
        error = ReadError(Path("job.txt"));
        if (!error.empty()) {
            return false;
        }
    }
    while (job && std::getline(job, line)) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        if (tag == "header") {
            PodJobHeader& h = loaded.jobHeader;
            fields >> h.mcuType >> h.constant >> h.resetAfter >> h.resetPolarity >> h.resetDelay >>
                h.loaderLength;
            for (std::uint32_t& c : h.counts) {
                fields >> c;
            }
            if (!fields) {
                error = Path("job.txt") + ": bad header";
                return false;
            }
            loaded.hasJob = true;
        } else if (tag == "loader" || tag == "block") {
            std::uint32_t number = 0;
            if (tag == "block") {
                fields >> number;
            }
            std::string hex;
            fields >> hex;
            std::vector<std::uint16_t> words;
            if (!HexToWords(hex, words)) {
                error = Path("job.txt") + ": bad " + tag + " line";
                return false;
            }
            if (tag == "loader") {
                loaded.jobLoader = std::move(words);
            } else {
                loaded.jobBlocks[number] = std::move(words);
            }
        }
    }
    state = std::move(loaded);
    return true;
}

} // namespace sim
