#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DirectoryLock.h"
#include "sim/PodJobStore.h"
#include "sim/SimPart.h"

namespace sim {

// Everything the emulated POD and its target keep between runs (sim/README.md lists
// the files).
struct SimState {
    int versionMajor = 1;
    int versionMinor = 1;
    bool bootOnly = false; // flash erased by an unfinished update: only the boot loader runs
    std::vector<std::uint8_t>
        firmware; // the image written by the last update (empty: factory firmware)
    bool hasTarget = false;
    int mcuType = -1;
    bool secured = false;
    std::array<std::vector<std::uint16_t>, kRegionCount> flash;
    std::array<std::vector<std::uint16_t>, 2> ram; // RAM windows 1 and 2 (empty: power-on)
    bool hasJob = false;
    PodJobHeader jobHeader;
    std::vector<std::uint16_t> jobLoader;
    std::map<std::uint32_t, std::vector<std::uint16_t>> jobBlocks;
};

// The state directory. A user keeps a demo or a test bench there, so nothing in it is
// ever lost: only regular files of a plausible size are read (a FIFO would hang the
// program, /dev/zero would fill the memory), a file that cannot be used stops the load
// with a line naming it, and a save replaces the whole state or nothing of it. A save
// writes every changed file beside the old one, then a list of the renames that make
// them current (written last and renamed into place, so it is whole or absent), then
// carries the renames out; a load finishes a save whose list is there and removes the
// files of one whose list is not.
class SimStateStore {
public:
    // Called after each step of a save with its number, from 1; returning false stops
    // the save right there, as a kill would (tests go through every step so).
    using StepHook = std::function<bool(int step)>;

    // How long a program waits for another one's hold on the directory to end.
    static constexpr std::chrono::milliseconds kLockWait{3000};

    explicit SimStateStore(std::string directory, StepHook afterStep = {})
        : m_directory(std::move(directory)), m_afterStep(std::move(afterStep))
    {
    }

    // Holds the directory, created when missing, for as long as the store lives, so that
    // a second program on it waits or is refused. False, with a line saying so, when
    // another holder keeps it longer than `wait`; a directory that cannot be made or
    // opened is left for the save to report.
    bool Lock(std::chrono::milliseconds wait, std::string& error);

    enum class LoadResult { kLoaded, kNoState, kFailed };
    // kFailed leaves `error` naming the file, what is wrong with it and how to go on.
    LoadResult Load(SimState& state, std::string& error) const;
    // Writes the files whose content differs from `previous` (every file without it);
    // false with the file and the system's reason when one cannot be written.
    bool Save(const SimState& state, const SimState* previous, std::string& error) const;

    // The files a state consists of, in the order they are written (pod.txt, which
    // says what the others are, last); no content means no file.
    using FileContents = std::vector<std::pair<std::string, std::optional<std::string>>>;
    static FileContents Files(const SimState& state);
    // The state the files' contents describe; false with the file and the reason.
    // `read` gives a file's content, or nothing when it does not exist.
    using FileReader = std::function<bool(const std::string& name, std::size_t maxBytes,
                                          std::optional<std::string>& content, std::string& error)>;
    static bool Parse(const FileReader& read, SimState& state, std::string& error);

private:
    class SaveSteps;

    std::string Path(const std::string& name) const;
    // Finishes a save whose list of renames is there, then removes what an unfinished
    // save left; false with the reason when the list is damaged or a file cannot go.
    bool Recover(std::string& error) const;
    bool WriteWhole(const std::string& name, const std::string& content, std::string& error) const;
    void SyncDirectory() const;
    // The steps of a save: which files differ from the previous state, each new one
    // written beside the old, the list of renames put in place, the renames done.
    static std::vector<std::size_t> ChangedFiles(const FileContents& files,
                                                 const SimState* previous);
    bool WriteNewFiles(const FileContents& files, const std::vector<std::size_t>& changed,
                       SaveSteps& steps, std::string& list, std::string& error) const;
    bool PutRenameList(const std::string& list, SaveSteps& steps, std::string& error) const;
    bool CarryOutRenames(const FileContents& files, const std::vector<std::size_t>& changed,
                         SaveSteps& steps, std::string& error) const;

    std::string m_directory;
    StepHook m_afterStep;
    platform::DirectoryLock m_lock;
};

} // namespace sim
