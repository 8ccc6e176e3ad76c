// Every fault the emulated POD can inject, on every command the target sequences send,
// at its first and at a later occurrence, each followed by a clean run on the same chip.
// The cases come from the sequences themselves: a fault-free reference run tells which
// commands a part's run sends, how often, and which region each transfer belongs to.
#include "tests/ops/OpsRig.h"

#include "pod/PodIo.h"
#include "pod/PodOpcodes.h"
#include "sim/SimFault.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace {

using ops::OperationMode;
using opstest::OpsRig;
using opstest::Words;
namespace opcode = pod::opcode;

struct Family {
    const char* label;
    int mcu;
    bool secured;
    std::vector<std::uint8_t> opcodes;
};

// One 56800 part (a command per page) and one 56800E part (buffered chunks), the
// latter once more secured so that its run unlocks the flash first.
const Family kFamilies[] = {
    {"DSP56F805",
     3,
     false,
     {opcode::kConnectTarget, opcode::kEnableOnce, opcode::kTargetLoadLoader, opcode::kEraseFlash,
      opcode::kProgramPage, opcode::kReleaseTarget}},
    {"MC56F8367",
     27,
     false,
     {opcode::kConnectTarget, opcode::kEnableOnce, opcode::kTargetLoadLoader, opcode::kEraseFlash,
      opcode::kBufferChunk, opcode::kProgramBuffered, opcode::kReleaseTarget}},
    {"MC56F8367_secured", 27, true, {opcode::kUnlockFlash}},
};

struct MatrixCase {
    const Family* family;
    std::uint8_t opcode;
};

void PrintTo(const MatrixCase& c, std::ostream* out)
{
    *out << c.family->label << " opcode " << static_cast<unsigned>(c.opcode);
}

std::vector<MatrixCase> AllCases()
{
    std::vector<MatrixCase> cases;
    for (const Family& family : kFamilies)
        for (std::uint8_t op : family.opcodes)
            cases.push_back({&family, op});
    return cases;
}

// Every kind of fault; a cut both before the ':' and within the reply, a delay twice
// the host's time-out.
std::vector<sim::SimFault> AllKinds()
{
    std::vector<sim::SimFault> kinds;
    for (int k = 0; k <= static_cast<int>(sim::FaultKind::kUnplug); ++k) {
        sim::SimFault fault;
        fault.kind = static_cast<sim::FaultKind>(k);
        if (fault.kind == sim::FaultKind::kCut) {
            kinds.push_back(fault);
            fault.parameter = 3;
        } else if (fault.kind == sim::FaultKind::kSlow) {
            fault.parameter = 2 * pod::kPodTimeoutMs;
        }
        kinds.push_back(fault);
    }
    return kinds;
}

// Three pages' worth of words at the start of every region the part has, so that the
// transfer commands come several times and in more than one region.
std::string FileFor(int mcu)
{
    const image::McuRecord& rec = image::RecordFor(mcu);
    std::string text;
    for (int r = 0; r < image::kRegionCount; ++r) {
        if (!rec.present[r]) continue;
        const std::uint32_t offset = r == image::kDflash ? image::DataSpaceOffset(mcu) : 0;
        // Words 0..3 of program space belong to boot flash on some 56800 parts.
        text += Words(std::max<std::uint32_t>(rec.first[r], 4) + offset, 600,
                      static_cast<std::uint16_t>(0x1000 * (r + 1)));
    }
    return text;
}

std::string PayloadOpcode(const std::string& payload)
{
    return payload.substr(0, 2);
}

std::string OpcodeText(std::uint8_t op)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(op));
    return text;
}

// Where an opcode falls in two fault-free runs on one chip.
struct Reference {
    // The region of each occurrence in the first run (-1 outside the transfers).
    std::vector<int> regions;
    bool inSecondRun = false;
};

Reference ReferenceFor(const Family& family, std::uint8_t op)
{
    sim::SimOptions options;
    options.secured = family.secured;
    OpsRig rig(options);
    const auto dialog = rig.Dialog(family.mcu, FileFor(family.mcu));
    Reference reference;
    EXPECT_TRUE(rig.Run(OperationMode::TargetWriteVerify, dialog).ok) << rig.view.LastStatus();
    const auto payloads = rig.SentPayloads();
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (PayloadOpcode(payloads[i]) != OpcodeText(op)) continue;
        // Page and commit name their region after ProgramMode; a chunk belongs to the
        // region of the commit that follows it.
        int region = -1;
        for (std::size_t j = i; j < payloads.size() && region < 0; ++j) {
            const std::string code = PayloadOpcode(payloads[j]);
            if (code == OpcodeText(opcode::kProgramPage) ||
                code == OpcodeText(opcode::kProgramBuffered))
                region = std::atoi(payloads[j].substr(4, 2).c_str());
            else if (code != OpcodeText(opcode::kBufferChunk))
                break;
        }
        reference.regions.push_back(region);
    }
    EXPECT_TRUE(rig.Run(OperationMode::TargetWriteVerify, dialog).ok) << rig.view.LastStatus();
    for (const auto& payload : rig.SentPayloads())
        reference.inSecondRun = reference.inSecondRun || PayloadOpcode(payload) == OpcodeText(op);
    return reference;
}

// The status line of the step that sends `op`, when its exchange fails.
std::string FailureText(std::uint8_t op, int region)
{
    switch (op) {
    case opcode::kConnectTarget:
        return "Failed to JTAG initialize";
    case opcode::kEnableOnce:
        return "Failed activated EONCE";
    case opcode::kUnlockFlash:
        return "Failed to Unlocked to the FLASH";
    case opcode::kTargetLoadLoader:
        return "Failed to download firmware to the MCU";
    case opcode::kEraseFlash:
        return "Failed to erase FLASH";
    default:
        return "Failed to download " + std::string(image::RegionName(region)) + " to the MCU";
    }
}

bool IsTransfer(std::uint8_t op)
{
    return op == opcode::kProgramPage || op == opcode::kBufferChunk ||
           op == opcode::kProgramBuffered;
}

constexpr const char* kSuccess = "Success to download and verify FLASH to the MCU (";

class FaultMatrix : public ::testing::TestWithParam<MatrixCase> {};

INSTANTIATE_TEST_SUITE_P(Commands, FaultMatrix, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) {
                             return std::string(info.param.family->label) + "_" +
                                    OpcodeText(info.param.opcode);
                         });

TEST_P(FaultMatrix, FailingStepShowsItsMessageAndTheNextRunProgramsTheChip)
{
    const Family& family = *GetParam().family;
    const std::uint8_t op = GetParam().opcode;
    const Reference reference = ReferenceFor(family, op);
    const auto perRun = static_cast<std::uint32_t>(reference.regions.size());
    ASSERT_GT(perRun, 0u) << "the run never sends " << OpcodeText(op);

    // The later occurrence: the last one of the run, or the first of the next run.
    std::vector<std::uint32_t> occurrences{1};
    if (perRun > 1)
        occurrences.push_back(perRun);
    else if (reference.inSecondRun)
        occurrences.push_back(2);

    for (sim::SimFault fault : AllKinds()) {
        for (std::uint32_t occurrence : occurrences) {
            fault.what = op;
            fault.occurrence = occurrence;
            SCOPED_TRACE(sim::FaultText(fault));
            sim::SimOptions options;
            options.secured = family.secured;
            options.faults.push_back(fault);
            OpsRig rig(options);
            const auto dialog = rig.Dialog(family.mcu, FileFor(family.mcu));

            // Runs before the one that meets the fault are fault-free.
            for (std::uint32_t before = perRun; before < occurrence; before += perRun)
                ASSERT_TRUE(rig.Run(OperationMode::TargetWriteVerify, dialog).ok);
            const auto result = rig.Run(OperationMode::TargetWriteVerify, dialog);
            ASSERT_GE(rig.pod().CommandCount(op), occurrence) << "the fault was not met";

            const bool released = op == opcode::kReleaseTarget;
            // Every fault kind spoils the reply (a reply counts only whole: cut:3 leaves
            // half an acknowledgement); only the closing release may fail unnoticed.
            const bool fails = !released;
            const auto payloads = rig.SentPayloads();
            ASSERT_FALSE(payloads.empty());
            EXPECT_EQ(result.ok, !fails);
            EXPECT_EQ(rig.view.LastError(), fails);
            if (fails) {
                const int region = reference.regions[(occurrence - 1) % perRun];
                EXPECT_EQ(result.message, FailureText(op, region));
                // Only a failed erase is followed by a release; nothing else is sent
                // after the failing command.
                if (op == opcode::kEraseFlash)
                    EXPECT_EQ(payloads.back(), "2801");
                else
                    EXPECT_EQ(PayloadOpcode(payloads.back()), OpcodeText(op));
                EXPECT_EQ(rig.session.state(),
                          IsTransfer(op) ? pod::PodState::Absent : pod::PodState::Ready);
            } else {
                EXPECT_EQ(result.message.rfind(kSuccess, 0), 0u) << result.message;
                EXPECT_EQ(payloads.back(), "2800");
                // An unanswered release leaves the link in doubt: it is closed.
                EXPECT_EQ(rig.session.state(),
                          released ? pod::PodState::Ready : pod::PodState::Open);
            }
            const auto events = rig.view.Events();
            ASSERT_GE(events.size(), 2u);
            EXPECT_EQ(events[events.size() - 2], "controls on");
            EXPECT_EQ(events.back(), "pos 0");

            if (fault.kind == sim::FaultKind::kUnplug) rig.sim->Plug();
            const auto clean = rig.Run(OperationMode::TargetWriteVerify, dialog);
            EXPECT_EQ(clean.message.rfind(kSuccess, 0), 0u) << clean.message;
            ASSERT_TRUE(clean.ok);
            opstest::ExpectChipHoldsImages(rig, family.mcu);
        }
    }
}

} // namespace
