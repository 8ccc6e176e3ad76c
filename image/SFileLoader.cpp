#include "image/SFileLoader.h"

#include "platform/Utf8Path.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "image/SRecordReader.h"

namespace image {

namespace {

std::string Trim(const std::string& text)
{
    const char* space = " \t\r\n\v\f";
    const std::size_t begin = text.find_first_not_of(space);
    if (begin == std::string::npos) {
        return {};
    }
    const std::size_t end = text.find_last_not_of(space);
    return text.substr(begin, end - begin + 1);
}

SFileLoadOutcome Failure(SFileLoadOutcome outcome, const char* text)
{
    outcome.ok = false;
    outcome.error = true;
    outcome.statusText = text;
    return outcome;
}

// Why a path that is no regular file cannot be the S file, in the system's words.
std::string NotAFileReason(const std::filesystem::file_status& status, const std::error_code& ec)
{
    if (ec) {
        return ec.message();
    }
    switch (status.type()) {
    case std::filesystem::file_type::not_found:
        return std::make_error_code(std::errc::no_such_file_or_directory).message();
    case std::filesystem::file_type::directory:
        return std::make_error_code(std::errc::is_a_directory).message();
    case std::filesystem::file_type::fifo:
        return "a FIFO, not a file (not read, as reading could wait forever)";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "a device, not a file (not read)";
    default:
        return "not a regular file (not read)";
    }
}

} // namespace

std::string RegionLabel(int region, std::uint32_t wordCount, const McuSelection& selection)
{
    char text[64];
    const char* name = RegionName(region);
    if (wordCount == 0) {
        std::snprintf(text, sizeof text, "%s (0 Word, 0%%)", name);
        return text;
    }
    const std::uint32_t size = selection.last(region) - selection.first(region) + 1;
    // Single precision, as the labels have always been computed.
    const float percent = static_cast<float>(wordCount) / static_cast<float>(size) * 100.0f;
    std::snprintf(text, sizeof text, "%s (%d Word, %.1f%%)", name, static_cast<int>(wordCount),
                  static_cast<double>(percent));
    return text;
}

SFileLoadOutcome LoadSFile(const RunChoices& choices, McuSelection& selection,
                           FlashImageSet& images)
{
    SFileLoadOutcome outcome;

    RunSettings settings;
    settings.mcuType = IsValidMcuType(choices.mcuIndex) ? choices.mcuIndex : kDefaultMcuType;
    settings.resetAfter = choices.resetAfter;
    settings.resetPolarity =
        choices.resetPolarityIndex >= 0 && choices.resetPolarityIndex < kResetPolarityCount
            ? choices.resetPolarityIndex
            : 0;
    const int delayIndex =
        choices.resetDelayIndex >= 0 && choices.resetDelayIndex < static_cast<int>(ResetDelayTable.size())
            ? choices.resetDelayIndex
            : kDefaultResetDelayIndex;
    settings.resetDelayMs = ResetDelayTable[static_cast<std::size_t>(delayIndex)];

    const std::string path = Trim(choices.sFilePath);
    if (path.empty()) {
        return Failure(outcome, "Please, specify S file path");
    }
    // The field keeps what was typed or pasted; a name with blanks around it is most
    // likely a paste, so the user hears which name was actually used.
    const std::string trimmedNote =
        path != choices.sFilePath ? " (leading or trailing spaces of the path were trimmed)" : "";
    // A directory or anything else that is not a file counts as no file.
    std::error_code ec;
    const auto status = std::filesystem::status(platform::PathFromUtf8(path), ec);
    if (!std::filesystem::is_regular_file(status)) {
        outcome.detail = path + ": " + NotAFileReason(status, ec) + trimmedNote;
        return Failure(outcome, "Can't find the specified S file path");
    }
    settings.regions = choices.regionChecked;
    bool anyRegion = false;
    for (bool checked : settings.regions) {
        anyRegion = anyRegion || checked;
    }
    if (!anyRegion) {
        return Failure(outcome, "Please, select one more flash memory sectors");
    }
    outcome.settings = settings;
    outcome.settingsTaken = true;

    selection.SelectMcu(settings.mcuType);
    ClearImages(images);
    std::string reason;
    if (!ReadSRecords(path, selection, images, &reason)) {
        outcome.detail = path + ": " + reason + trimmedNote;
        ClearImages(images);
        return Failure(outcome, "Fail to read the specified S file");
    }

    outcome.labelsChanged = true;
    bool anyWord = false;
    for (int r = 0; r < kRegionCount; ++r) {
        outcome.labels[r] = RegionLabel(r, images.wordCount(r), selection);
        anyWord = anyWord || images.wordCount(r) != 0;
    }
    if (!anyWord) {
        return Failure(outcome, "S file is invalid.");
    }
    outcome.ok = true;
    outcome.error = false;
    outcome.statusText = "Success to load S File";
    return outcome;
}

} // namespace image
