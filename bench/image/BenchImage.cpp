// Times the S-record load of a full-chip MC56F8367 file: all four regions full, 32 words
// per S3 record (about 1.3 MB), the largest file the programmer meets in practice.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/FullChipSFile.h"
#include "cli/CliApp.h"
#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "image/SFileLoader.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main()
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quobin-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "fullchip.s").string();
    const std::string text = bench::FullChipSFile();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::printf("full-chip MC56F8367 S file: %zu bytes\n", text.size());

    image::McuSelection selection;
    image::FlashImageSet images;
    image::RunChoices request;
    request.sFilePath = path;
    request.regionChecked = {true, true, true, true};

    constexpr int kRuns = 50;
    std::vector<double> load;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        const image::SFileLoadOutcome outcome = image::LoadSFile(request, selection, images);
        load.push_back(MillisecondsSince(start));
        if (!outcome.ok) {
            std::printf("load failed: %s\n", outcome.statusText.c_str());
            return 1;
        }
    }
    std::printf("LoadSFile:                 median %.2f ms, best %.2f ms (%d runs)\n", Median(load),
                *std::min_element(load.begin(), load.end()), kRuns);
    std::printf("  stored words: %u %u %u %u\n", images.wordCount(0), images.wordCount(1),
                images.wordCount(2), images.wordCount(3));

    std::vector<double> inProcess;
    for (int i = 0; i < kRuns; ++i) {
        const char* argv[] = {"quobin-cli", "inspect", path.c_str(), "--json"};
        std::ostringstream out;
        std::ostringstream err;
        const auto start = Clock::now();
        cli::RunCli(4, argv, out, err);
        inProcess.push_back(MillisecondsSince(start));
    }
    std::printf("inspect, in process:       median %.2f ms\n", Median(inProcess));

    std::vector<double> wholeProgram;
    const std::string command =
        std::string("\"") + QUOBIN_CLI_PATH + "\" inspect \"" + path + "\" >/dev/null";
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::printf("quobin-cli inspect failed\n");
            break;
        }
        wholeProgram.push_back(MillisecondsSince(start));
    }
    if (!wholeProgram.empty()) {
        std::printf(
            "quobin-cli inspect process: median %.2f ms (includes the shell and process start)\n",
            Median(wholeProgram));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
