#include "sim/SimStateStore.h"

#include "platform/Utf8Path.h"

#include "platform/FileCalls.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "sim/HexText.h"
#include "sim/SimCatalog.h"

namespace sim {

namespace {

// The largest files a sane state has: pod.txt is a few lines; the boot flash that holds
// the firmware is 64 KiB; a job holds at most every word of the largest part as four hex
// digits, plus the line headers.
constexpr std::size_t kPodTextLimit = 4096;
constexpr std::size_t kFirmwareLimit = 0x10000;
constexpr std::size_t kJobTextLimit = 8u << 20;
// Counts in a job header cannot exceed the words of any part's region.
constexpr std::uint32_t kJobCountLimit = 1u << 20;

std::string SystemReason(int error)
{
    return std::generic_category().message(error);
}

std::string WordsToBytes(const std::vector<std::uint16_t>& words)
{
    std::string bytes;
    bytes.reserve(words.size() * 2);
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<char>(w & 0xFF));
        bytes.push_back(static_cast<char>(w >> 8));
    }
    return bytes;
}

std::vector<std::uint16_t> BytesToWords(const std::string& bytes)
{
    std::vector<std::uint16_t> words;
    words.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        words.push_back(
            static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8)));
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

// A decimal number with nothing around it, within [low, high].
bool ParseNumber(std::string_view text, long long low, long long high, long long& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

bool ParseFlag(std::string_view text, bool& flag)
{
    if (text != "0" && text != "1") {
        return false;
    }
    flag = text == "1";
    return true;
}

// What a user does about a file that cannot be used, by the part of the state it keeps.
std::string Recovery(const std::string& name)
{
    if (name == "pod.txt") {
        return "move it away to start with a factory POD and a blank chip";
    }
    if (name == "firmware.bin") {
        return "move it away to start with the factory firmware";
    }
    if (name == "job.txt") {
        return "move it away to start with an empty job store";
    }
    if (name.starts_with("RAM")) {
        return "move it away to start the chip's RAM at zero";
    }
    return "move it away to start with a blank chip";
}

bool ParsePodText(const std::string& text, SimState& state, std::string& reason)
{
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool hasVersion = false;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + " ('" + line + "')";
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            reason = where + " is not NAME=VALUE";
            return false;
        }
        const std::string key = line.substr(0, eq);
        const std::string_view value = std::string_view(line).substr(eq + 1);
        long long n = 0;
        if (key == "version") {
            // Each part is a nibble of the version the firmware reports.
            const std::size_t dot = value.find('.');
            long long minor = 0;
            if (dot == std::string_view::npos || !ParseNumber(value.substr(0, dot), 0, 15, n) ||
                !ParseNumber(value.substr(dot + 1), 0, 15, minor)) {
                reason = where + ": the version must be X.Y with each part 0..15";
                return false;
            }
            state.versionMajor = static_cast<int>(n);
            state.versionMinor = static_cast<int>(minor);
            hasVersion = true;
        } else if (key == "boot-only" || key == "secured") {
            if (!ParseFlag(value, key == "secured" ? state.secured : state.bootOnly)) {
                reason = where + ": " + key + " must be 0 or 1";
                return false;
            }
        } else if (key == "mcu") {
            if (!ParseNumber(value, 0, PartCount() - 1, n)) {
                reason = where + ": the MCU type must be 0.." + std::to_string(PartCount() - 1);
                return false;
            }
            state.hasTarget = true;
            state.mcuType = static_cast<int>(n);
        } else {
            reason = where + ": unknown setting '" + key + "'";
            return false;
        }
    }
    if (!hasVersion) {
        reason = "no version line";
        return false;
    }
    return true;
}

bool ParseJobText(const std::string& text, SimState& state, std::string& reason)
{
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::string where = "line " + std::to_string(number);
        std::istringstream fields(line);
        std::string tag;
        if (!(fields >> tag)) {
            continue;
        }
        if (tag == "header") {
            PodJobHeader& h = state.jobHeader;
            fields >> h.mcuType >> h.constant >> h.resetAfter >> h.resetPolarity >> h.resetDelay >>
                h.loaderLength;
            for (std::uint32_t& c : h.counts) {
                fields >> c;
            }
            bool sane = static_cast<bool>(fields) &&
                        h.mcuType < static_cast<std::uint32_t>(PartCount()) &&
                        h.loaderLength < kJobCountLimit;
            for (std::uint32_t c : h.counts) {
                sane = sane && c < kJobCountLimit;
            }
            if (!sane || !(fields >> std::ws).eof()) {
                reason = where + ": bad header";
                return false;
            }
            state.hasJob = true;
        } else if (tag == "loader" || tag == "block") {
            std::uint32_t block = 0;
            if (tag == "block" && !(fields >> block)) {
                reason = where + ": bad block number";
                return false;
            }
            std::string hex;
            fields >> hex;
            std::vector<std::uint16_t> words;
            if (!HexToWords(hex, words) || !(fields >> std::ws).eof()) {
                reason = where + ": bad " + tag + " words";
                return false;
            }
            if (tag == "loader") {
                state.jobLoader = std::move(words);
            } else {
                state.jobBlocks[block] = std::move(words);
            }
        } else {
            reason = where + ": unknown entry '" + tag + "'";
            return false;
        }
    }
    if (!state.hasJob && (!state.jobLoader.empty() || !state.jobBlocks.empty())) {
        reason = "words without a header";
        return false;
    }
    return true;
}

// The list of renames that makes a save's new files current.
constexpr const char* kRenameList = ".renames";
constexpr const char* kRenameListRecovery =
    "move it away to keep the files as they are, without the unfinished save";

std::string TemporaryName(const std::string& name)
{
    return "." + name + ".new";
}

// The content of a regular file within `maxBytes`; no content when there is no file.
// Non-blocking, so that a FIFO put there cannot hang the program before the check
// refuses it.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes,
                     std::optional<std::string>& content, std::string& reason)
{
    int fd = -1;
    if (const platform::SystemError error = platform::OpenForReading(path, fd)) {
        if (error.code == ENOENT) {
            return true;
        }
        reason = "cannot be read: " + error.text;
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        reason = "cannot be read: " + SystemReason(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = "is a directory";
        ok = false;
    } else if (!S_ISREG(info.st_mode)) {
        reason = "is not a regular file (a FIFO, device or socket)";
        ok = false;
    } else if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        reason = "has " + std::to_string(info.st_size) + " bytes, more than the " +
                 std::to_string(maxBytes) + " it can have";
        ok = false;
    }
    std::string bytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR) {
                reason = "cannot be read: " + SystemReason(errno);
                ok = false;
            } else if (n == 0) {
                bytes.resize(done); // shrank while being read
            } else if (n > 0) {
                done += static_cast<std::size_t>(n);
            }
        }
    }
    ::close(fd);
    if (ok) {
        content = std::move(bytes);
    }
    return ok;
}

// The exact size a region or RAM file of the part must have, in bytes.
std::size_t WindowBytes(std::uint32_t first, std::uint32_t last)
{
    return (static_cast<std::size_t>(last) - first + 1) * 2;
}

// Reads the files of a state one after the other and keeps the first failure: the file,
// what is wrong with it, and how to go on when its own recovery does not fit.
class StateReader {
public:
    explicit StateReader(const SimStateStore::FileReader& read) : m_read(read) {}

    // The file's content, or none when it does not exist; false when it cannot be read.
    bool Read(const std::string& name, std::size_t maxBytes)
    {
        m_content.reset();
        std::string why;
        if (!m_read(name, maxBytes, m_content, why)) {
            return Fail(name, why);
        }
        return true;
    }

    // A region or RAM file that, when it exists, holds exactly `bytes` of the part.
    bool ExactWords(const std::string& name, std::size_t bytes, const SimPart& part,
                    std::vector<std::uint16_t>& words)
    {
        if (!Read(name, bytes)) {
            return false;
        }
        if (m_content && m_content->size() != bytes) {
            return Fail(name, "has " + std::to_string(m_content->size()) + " bytes where the " +
                                  part.name + " has " + std::to_string(bytes));
        }
        if (m_content) {
            words = BytesToWords(*m_content);
        }
        return true;
    }

    bool Fail(const std::string& name, const std::string& why)
    {
        m_failed = name;
        m_reason = why;
        return false;
    }

    void SetRecovery(std::string recovery) { m_recovery = std::move(recovery); }
    const std::optional<std::string>& Content() const { return m_content; }
    std::string Error() const
    {
        return m_failed + ": " + m_reason + "; " +
               (m_recovery.empty() ? Recovery(m_failed) : m_recovery);
    }

private:
    const SimStateStore::FileReader& m_read;
    std::optional<std::string> m_content;
    std::string m_failed;
    std::string m_reason;
    std::string m_recovery;
};

// With no pod.txt the other files belong to no known part; starting blank would write a
// blank chip over them at the next save. False when one of them is there or cannot be
// read.
bool NothingWithoutPodText(StateReader& reader)
{
    for (const auto& [name, unused] : SimStateStore::Files(SimState{})) {
        if (name == "pod.txt") {
            continue;
        }
        if (!reader.Read(name, kJobTextLimit)) {
            return false;
        }
        if (reader.Content()) {
            reader.SetRecovery("move the other files away to start with a factory POD and a "
                               "blank chip");
            return reader.Fail("pod.txt", "is missing while " + name + " is there");
        }
    }
    return true;
}

bool ReadPodText(StateReader& reader, SimState& loaded)
{
    std::string reason;
    return ParsePodText(*reader.Content(), loaded, reason) || reader.Fail("pod.txt", reason);
}

bool ReadFirmware(StateReader& reader, SimState& loaded)
{
    if (!reader.Read("firmware.bin", kFirmwareLimit)) {
        return false;
    }
    if (reader.Content()) {
        loaded.firmware.assign(reader.Content()->begin(), reader.Content()->end());
    }
    return true;
}

// The flash regions and RAM windows of the part pod.txt names.
bool ReadTargetFiles(StateReader& reader, SimState& loaded)
{
    const SimPart part = *PartFor(loaded.mcuType);
    bool ok = true;
    for (int r = 0; ok && r < kRegionCount; ++r) {
        const SimRegion& region = part.regions[static_cast<std::size_t>(r)];
        const std::string name = std::string(kRegionNames[static_cast<std::size_t>(r)]) + ".bin";
        if (!region.present) {
            ok = reader.Read(name, kFirmwareLimit) &&
                 (!reader.Content() ||
                  reader.Fail(name, "is a region the " + part.name + " does not have"));
            continue;
        }
        ok = reader.ExactWords(name, WindowBytes(region.first, region.last), part,
                               loaded.flash[static_cast<std::size_t>(r)]);
    }
    ok = ok && reader.ExactWords("RAM1.bin", WindowBytes(part.ramWindow1First, part.ramWindow1Last),
                                 part, loaded.ram[0]);
    return ok &&
           reader.ExactWords("RAM2.bin", WindowBytes(part.ramWindow2First, part.ramWindow2Last),
                             part, loaded.ram[1]);
}

bool ReadJob(StateReader& reader, SimState& loaded)
{
    if (!reader.Read("job.txt", kJobTextLimit)) {
        return false;
    }
    std::string reason;
    return !reader.Content() || ParseJobText(*reader.Content(), loaded, reason) ||
           reader.Fail("job.txt", reason);
}

} // namespace

// Counts the steps of a save and asks the hook after each whether to go on.
class SimStateStore::SaveSteps {
public:
    explicit SaveSteps(const StepHook& hook) : m_hook(hook) {}

    // True, with `error` saying so, when the hook stops the save after this step.
    bool Stopped(std::string& error)
    {
        if (m_hook && !m_hook(++m_step)) {
            error = "stopped after step " + std::to_string(m_step);
            return true;
        }
        return false;
    }

private:
    const StepHook& m_hook;
    int m_step = 0;
};

std::string SimStateStore::Path(const std::string& name) const
{
    return platform::Utf8FromPath(platform::PathFromUtf8(m_directory) / name);
}

SimStateStore::FileContents SimStateStore::Files(const SimState& state)
{
    FileContents files;
    files.emplace_back("firmware.bin",
                       state.firmware.empty()
                           ? std::nullopt
                           : std::optional<std::string>(std::in_place, state.firmware.begin(),
                                                        state.firmware.end()));
    for (int r = 0; r < kRegionCount; ++r) {
        const auto& words = state.flash[static_cast<std::size_t>(r)];
        files.emplace_back(std::string(kRegionNames[static_cast<std::size_t>(r)]) + ".bin",
                           state.hasTarget && !words.empty()
                               ? std::optional<std::string>(WordsToBytes(words))
                               : std::nullopt);
    }
    for (std::size_t w = 0; w < state.ram.size(); ++w) {
        files.emplace_back("RAM" + std::to_string(w + 1) + ".bin",
                           state.hasTarget && !state.ram[w].empty()
                               ? std::optional<std::string>(WordsToBytes(state.ram[w]))
                               : std::nullopt);
    }
    std::optional<std::string> jobText;
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
        jobText = job.str();
    }
    files.emplace_back("job.txt", std::move(jobText));

    std::ostringstream pod;
    pod << "version=" << state.versionMajor << "." << state.versionMinor << "\n";
    pod << "boot-only=" << (state.bootOnly ? 1 : 0) << "\n";
    if (state.hasTarget) {
        pod << "mcu=" << state.mcuType << "\n";
        pod << "secured=" << (state.secured ? 1 : 0) << "\n";
    }
    files.emplace_back("pod.txt", pod.str());
    return files;
}

bool SimStateStore::Lock(std::chrono::milliseconds wait, std::string& error)
{
    error.clear();
    std::error_code ec;
    std::filesystem::create_directories(platform::PathFromUtf8(m_directory), ec);
    // A folder that cannot be made or opened is the save's to report.
    if (ec || m_lock.Acquire(m_directory, wait).code != platform::kHeldElsewhere) {
        return true;
    }
    error = m_directory + ": in use by another program with this emulator state (waited " +
            std::to_string(wait.count()) +
            " ms); end that program, or give another --sim-state folder";
    return false;
}

void SimStateStore::SyncDirectory() const
{
    // Renames and removals reach the disk with the directory.
    platform::SyncDirectory(m_directory);
}

bool SimStateStore::WriteWhole(const std::string& name, const std::string& content,
                               std::string& error) const
{
    const std::string path = Path(name);
    int fd = -1;
    if (const platform::SystemError failed = platform::CreateForWriting(path, fd)) {
        error = "cannot write " + path + ": " + failed.text;
        return false;
    }
    std::size_t done = 0;
    int failure = 0;
    while (done < content.size() && failure == 0) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno != EINTR) {
            failure = errno;
        } else if (n > 0) {
            done += static_cast<std::size_t>(n);
        }
    }
    // On the disk before any rename refers to it, so that a crash cannot leave a name
    // on a file whose blocks were never written.
    if (failure == 0) {
        failure = platform::SyncToDisk(fd).code;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure != 0) {
        error = "cannot write " + path + ": " + SystemReason(failure);
        platform::RemoveFile(path);
        return false;
    }
    return true;
}

bool SimStateStore::Recover(std::string& error) const
{
    std::optional<std::string> list;
    std::string reason;
    if (!ReadRegularFile(Path(kRenameList), kPodTextLimit, list, reason)) {
        error = Path(kRenameList) + ": " + reason + "; " + kRenameListRecovery;
        return false;
    }
    const auto names = Files(SimState{});
    auto known = [&names](const std::string& name) {
        return std::any_of(names.begin(), names.end(),
                           [&name](const auto& file) { return file.first == name; });
    };
    if (list) {
        // Checked whole before anything is renamed: a damaged list changes nothing.
        std::vector<std::pair<std::string, std::string>> steps;
        std::istringstream lines(*list);
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t space = line.find(' ');
            const std::string verb = line.substr(0, space);
            const std::string name = space == std::string::npos ? "" : line.substr(space + 1);
            if ((verb != "put" && verb != "remove") || !known(name)) {
                error = Path(kRenameList) + ": bad line '" + line + "'; " + kRenameListRecovery;
                return false;
            }
            steps.emplace_back(verb, name);
        }
        for (const auto& [verb, name] : steps) {
            const std::string path = Path(name);
            const platform::SystemError failed =
                verb == "put" ? platform::Rename(Path(TemporaryName(name)), path)
                              : platform::RemoveFile(path);
            if (failed && failed.code != ENOENT) {
                error = "cannot " + std::string(verb == "put" ? "write " : "remove ") + path +
                        ": " + failed.text;
                return false;
            }
        }
        SyncDirectory();
    }
    bool removed = false;
    std::vector<std::string> leftovers = {kRenameList, TemporaryName(kRenameList)};
    for (const auto& [name, content] : names) {
        leftovers.push_back(TemporaryName(name));
    }
    for (const std::string& name : leftovers) {
        // A save leaves only regular files; anything else under such a name is not its
        // to remove, and the next write there reports it.
        if (platform::KindOf(Path(name)) != platform::FileKind::kRegular) {
            continue;
        }
        if (const platform::SystemError failed = platform::RemoveFile(Path(name))) {
            error = "cannot remove " + Path(name) + ": " + failed.text;
            return false;
        }
        removed = true;
    }
    if (removed) {
        SyncDirectory();
    }
    return true;
}

std::vector<std::size_t> SimStateStore::ChangedFiles(const FileContents& files,
                                                     const SimState* previous)
{
    FileContents before;
    if (previous != nullptr) {
        before = Files(*previous);
    }
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (previous == nullptr || before[i].second != files[i].second) {
            changed.push_back(i);
        }
    }
    return changed;
}

bool SimStateStore::WriteNewFiles(const FileContents& files,
                                  const std::vector<std::size_t>& changed, SaveSteps& steps,
                                  std::string& list, std::string& error) const
{
    for (std::size_t i : changed) {
        const auto& [name, content] = files[i];
        if (content) {
            if (!WriteWhole(TemporaryName(name), *content, error)) {
                return false;
            }
            if (steps.Stopped(error)) {
                return false;
            }
        }
        list += (content ? "put " : "remove ") + name + "\n";
    }
    return true;
}

bool SimStateStore::PutRenameList(const std::string& list, SaveSteps& steps,
                                  std::string& error) const
{
    if (!WriteWhole(TemporaryName(kRenameList), list, error)) {
        return false;
    }
    if (const platform::SystemError failed =
            platform::Rename(Path(TemporaryName(kRenameList)), Path(kRenameList))) {
        error = "cannot write " + Path(kRenameList) + ": " + failed.text;
        return false;
    }
    SyncDirectory();
    return !steps.Stopped(error);
}

bool SimStateStore::CarryOutRenames(const FileContents& files,
                                    const std::vector<std::size_t>& changed, SaveSteps& steps,
                                    std::string& error) const
{
    for (std::size_t i : changed) {
        const auto& [name, content] = files[i];
        const std::string path = Path(name);
        const platform::SystemError failed = content
                                                 ? platform::Rename(Path(TemporaryName(name)), path)
                                                 : platform::RemoveFile(path);
        if (failed && (content || failed.code != ENOENT)) {
            error = (content ? "cannot write " : "cannot remove ") + path + ": " + failed.text;
            return false;
        }
        if (steps.Stopped(error)) {
            return false;
        }
    }
    SyncDirectory();
    if (const platform::SystemError failed = platform::RemoveFile(Path(kRenameList))) {
        error = "cannot remove " + Path(kRenameList) + ": " + failed.text;
        return false;
    }
    SyncDirectory();
    return true;
}

bool SimStateStore::Save(const SimState& state, const SimState* previous, std::string& error) const
{
    error.clear();
    const FileContents files = Files(state);
    const std::vector<std::size_t> changed = ChangedFiles(files, previous);
    if (changed.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(platform::PathFromUtf8(m_directory), ec);
    if (ec) {
        error = "cannot create " + m_directory + ": " + ec.message();
        return false;
    }
    if (!Recover(error)) {
        return false;
    }
    SaveSteps steps(m_afterStep);
    std::string list;
    // Once the list is in place the new state is the saved one: a kill before the
    // renames are done leaves the list, and the next load carries it out.
    return WriteNewFiles(files, changed, steps, list, error) && PutRenameList(list, steps, error) &&
           CarryOutRenames(files, changed, steps, error);
}

bool SimStateStore::Parse(const FileReader& read, SimState& state, std::string& error)
{
    SimState loaded;
    StateReader reader(read);
    bool ok = reader.Read("pod.txt", kPodTextLimit);
    if (ok && !reader.Content()) {
        if (NothingWithoutPodText(reader)) {
            error.clear();
            return false;
        }
        ok = false;
    }
    ok = ok && ReadPodText(reader, loaded) && ReadFirmware(reader, loaded);
    ok = ok && (!loaded.hasTarget || ReadTargetFiles(reader, loaded));
    ok = ok && ReadJob(reader, loaded);
    if (!ok) {
        error = reader.Error();
        return false;
    }
    state = std::move(loaded);
    return true;
}

SimStateStore::LoadResult SimStateStore::Load(SimState& state, std::string& error) const
{
    if (!Recover(error)) {
        return LoadResult::kFailed;
    }
    auto read = [this](const std::string& name, std::size_t maxBytes,
                       std::optional<std::string>& content, std::string& reason) {
        return ReadRegularFile(Path(name), maxBytes, content, reason);
    };
    std::string reason;
    if (Parse(read, state, reason)) {
        error.clear();
        return LoadResult::kLoaded;
    }
    if (reason.empty()) {
        error.clear();
        return LoadResult::kNoState;
    }
    error = platform::Utf8FromPath(platform::PathFromUtf8(m_directory) / reason);
    return LoadResult::kFailed;
}

} // namespace sim
