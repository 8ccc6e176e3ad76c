#include "monitor/MonitorWorker.h"
#include "monitor/CheckedWrite.h"
#include "monitor/MonitorReader.h"
#include "monitor/ValueText.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "pod/TracingUsbDriver.h"
#include "sim/DemoVariables.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"
#include "tests/support/EmulatedLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using namespace monitor;

// What the worker reports. The hook runs on the worker's thread after each completed
// cycle (the number of cycles so far is passed).
class MonitorViewRecorder final : public MonitorView, public support::WorkerEvents {
public:
    void ValuesChanged(WatchListId list, const std::vector<int>& rows) override
    {
        Record([&] {
            (list == WatchListId::Symbols ? symbolChanges : addressChanges).push_back(rows);
        });
    }
    void CycleCompleted(std::uint32_t nowMs) override
    {
        int n = 0;
        std::function<void(int)> hook;
        Record([&] {
            cycles.push_back(nowMs);
            n = static_cast<int>(cycles.size());
            hook = onCycle;
        });
        if (hook) hook(n);
    }
    void StoppedByFailure(const std::string& reason) override
    {
        Record([&] {
            stopped = true;
            stopReason = reason;
        });
    }
    bool WaitCycles(int n)
    {
        return WaitUntil([&] { return static_cast<int>(cycles.size()) >= n; });
    }

    std::vector<std::uint32_t> cycles;
    std::vector<std::vector<int>> symbolChanges;
    std::vector<std::vector<int>> addressChanges;
    bool stopped = false;
    std::string stopReason;
    std::function<void(int)> onCycle;
};

// The worker on an emulated POD. Made on the heap: ThreadSanitizer forgets a mutex only
// when its memory is freed, so rigs on the stack would hand one test's lock order to the
// next test's objects at the same address.
struct WorkerRig : support::EmulatedLink {
    static std::unique_ptr<WorkerRig> Make(const sim::SimOptions& options = {})
    {
        return std::make_unique<WorkerRig>(options);
    }
    explicit WorkerRig(const sim::SimOptions& options)
        : EmulatedLink(options), worker(session, list, view)
    {
    }

    WatchList list;
    MonitorViewRecorder view;
    MonitorWorker worker;
};

std::string Read16(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "5102%06X", address);
    return text;
}

TEST(MonitorWorker, ReadsOnlyTheVisibleRowsOnceMoreThanTheIntervalHasPassed)
{
    const auto rig = WorkerRig::Make();
    rig->list.AddAddressRun(0x80, 6, HEX16);
    rig->list.SetVisibleRows(WatchListId::Addresses, 1, 2); // rows 1, 2 and the partly visible 3
    rig->worker.SetIntervalMs(100);
    // From the second cycle on the interval is 1 s; the running worker takes it at once.
    rig->view.onCycle = [&](int n) {
        if (n == 2) rig->worker.SetIntervalMs(1000);
    };
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitCycles(4));
    rig->worker.StopAndJoin();
    EXPECT_FALSE(rig->worker.IsRunning());

    std::vector<std::uint32_t> cycles(rig->view.cycles.begin(), rig->view.cycles.begin() + 4);
    EXPECT_EQ(cycles[1] - cycles[0], 101u);
    EXPECT_EQ(cycles[2] - cycles[1], 1001u);
    EXPECT_EQ(cycles[3] - cycles[2], 1001u);

    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 13u);
    EXPECT_EQ(sent[0], "5004");
    for (std::size_t i = 1; i < 13; i += 3) {
        EXPECT_EQ(sent[i], Read16(0x81));
        EXPECT_EQ(sent[i + 1], Read16(0x82));
        EXPECT_EQ(sent[i + 2], Read16(0x83));
    }
    const auto rows = rig->list.Rows(WatchListId::Addresses);
    EXPECT_EQ(rows[0].valueText, "");
    EXPECT_EQ(rows[3].valueText.substr(0, 2), "0x");
    EXPECT_EQ(rows[4].valueText, "");
}

TEST(MonitorWorker, ScrolledListReadsTheRowsNowVisibleAndShowsTheirTexts)
{
    const auto rig = WorkerRig::Make();
    rig->sim->Pod().WriteRam(0x20, 0xFFFE, 0);
    rig->sim->Pod().WriteRam(0x21, 0x4241, 0);
    rig->sim->Pod().WriteRam(0x22, 0x00E9, 0);
    SymbolTable table;
    table.Assign({{"a", 0x20, 1, INT16}, {"t", 0x21, 5, ASCII}, {"b", 0x20, 1, UINT16}}, 0);
    for (int i = 0; i < 3; ++i)
        rig->list.AddSymbolWatch(table, i);
    rig->list.SetVisibleRows(WatchListId::Symbols, 0, 1);
    rig->view.onCycle = [&](int n) {
        if (n == 1) rig->list.SetVisibleRows(WatchListId::Symbols, 2, 1);
    };
    ASSERT_TRUE(rig->worker.Start(0));
    ASSERT_TRUE(rig->view.WaitCycles(2));
    rig->worker.StopAndJoin();

    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 5u);
    // Cycle 1: rows 0 and 1 (the text word by word up to its zero byte); cycle 2: row 2.
    EXPECT_EQ(sent[1], Read16(0x20));
    EXPECT_EQ(sent[2], Read16(0x21));
    EXPECT_EQ(sent[3], Read16(0x22));
    EXPECT_EQ(sent[4], Read16(0x20));
    const auto rows = rig->list.Rows(WatchListId::Symbols);
    EXPECT_EQ(rows[0].valueText, "-2");
    EXPECT_EQ(rows[1].valueText, "AB\xC3\xA9");
    EXPECT_EQ(rows[2].valueText, "65534");
    ASSERT_GE(rig->view.symbolChanges.size(), 2u);
    EXPECT_EQ(rig->view.symbolChanges[0], (std::vector<int>{0, 1}));
    EXPECT_EQ(rig->view.symbolChanges[1], (std::vector<int>{2}));
}

TEST(MonitorWorker, WritesGoOutInOrderBetweenCyclesAndThoseMadeWhileStoppedAreDropped)
{
    const auto rig = WorkerRig::Make();
    rig->list.AddAddressWatch(sim::demo::kTriangleStep, INT16);
    rig->worker.PostWrite({INT16, sim::demo::kTriangleStep, 0x0005, {}}); // while stopped
    rig->view.onCycle = [&](int n) {
        if (n != 1) return;
        rig->worker.PostWrite({INT16, sim::demo::kTriangleStep, 0xFFFF, {}});
        rig->worker.PostWrite({ASCII, sim::demo::kMessage, 0, TextWordsOf("AB", TextSpanOf(5, {}))});
        rig->worker.PostWrite({FLOAT, sim::demo::kSineAmplitude, 0x3FC00000, {}});
    };
    ASSERT_TRUE(rig->worker.Start(2));
    ASSERT_TRUE(rig->view.WaitCycles(2));
    rig->worker.StopAndJoin();

    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 7u);
    EXPECT_EQ(sent[0], "5002");
    EXPECT_EQ(sent[1], Read16(0x8A));
    EXPECT_EQ(sent[2], "5202"
                       "00008A"
                       "FFFF");
    EXPECT_EQ(sent[3], "5202"
                       "000090"
                       "4241");
    EXPECT_EQ(sent[4], "5202"
                       "000091"
                       "0000");
    EXPECT_EQ(sent[5], "5203"
                       "000086"
                       "3FC00000");
    EXPECT_EQ(sent[6], Read16(0x8A));
    EXPECT_EQ(rig->list.Rows(WatchListId::Addresses)[0].valueText, "-1");
    EXPECT_EQ(rig->worker.PendingWrites(), 0u);
}

TEST(MonitorWorker, AFailedReadReopensThePodAndMonitoringGoesOn)
{
    sim::SimOptions options;
    ASSERT_EQ(sim::ApplySimOption(options, "sim-fault", "0x51:3:silent"), "");
    const auto rig = WorkerRig::Make(options);
    rig->list.AddAddressWatch(0x80, HEX16);
    rig->list.AddAddressWatch(0x81, HEX16);
    ASSERT_TRUE(rig->worker.Start(4));
    // Cycle 1 reads both rows; the next fails at its first read and ends there without
    // reading row 1; the POD is reopened and the cycle after that completes.
    ASSERT_TRUE(rig->view.WaitCycles(2));
    rig->worker.StopAndJoin();
    EXPECT_FALSE(rig->view.stopped);
    EXPECT_TRUE(rig->session.IsOpen());
    EXPECT_GE(rig->view.cycles[1] - rig->view.cycles[0], 2u * 101u);
    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 6u);
    const std::vector<std::string> expected = {"5004",       Read16(0x80), Read16(0x81),
                                               Read16(0x80), Read16(0x80), Read16(0x81)};
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 6), expected);
}

TEST(MonitorWorker, AWriteLostWithTheLinkIsTriedAgainOnTheReopenedPod)
{
    sim::SimOptions options;
    ASSERT_EQ(sim::ApplySimOption(options, "sim-fault", "0x52:1:silent"), "");
    const auto rig = WorkerRig::Make(options);
    rig->list.AddAddressWatch(sim::demo::kTriangleStep, INT16);
    rig->view.onCycle = [&](int n) {
        if (n == 1) rig->worker.PostWrite({INT16, sim::demo::kTriangleStep, 0x0007, {}});
    };
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitCycles(2));
    rig->worker.StopAndJoin();
    const std::string write = "5202"
                              "00008A"
                              "0007";
    const auto sent = rig->Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), write), 2);
    EXPECT_EQ(rig->list.Rows(WatchListId::Addresses)[0].valueText, "7");
    EXPECT_EQ(rig->worker.reopens(), 1u);
    EXPECT_FALSE(rig->view.stopped);
}

// The command line's watch: a POD that answers but cannot reach the target is reopened
// once, then the worker gives up with the reason instead of reopening forever; and a
// cycle limit ends it without a cycle too many.
TEST(MonitorWorker, StopsWhenTheReopenDoesNotHelpAndAfterItsCycleLimit)
{
    sim::SimOptions options;
    options.noTarget = true;
    auto rig = WorkerRig::Make(options);
    rig->list.AddAddressWatch(0x80, HEX16);
    rig->worker.SetStopWhenReopenDoesNotHelp(true);
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitUntil([&] { return rig->view.stopped; }));
    rig->worker.StopAndJoin();
    EXPECT_EQ(rig->view.stopReason, "the POD answered error 07 (no target on the cable)");
    EXPECT_EQ(rig->worker.reopens(), 1u);

    rig = WorkerRig::Make();
    rig->list.AddAddressWatch(0x80, HEX16);
    rig->worker.SetCycleLimit(3);
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitCycles(3));
    rig->worker.StopAndJoin();
    EXPECT_EQ(rig->view.cycles.size(), 3u);
    EXPECT_EQ(rig->Sent().size(), 1u + 3u) << "the baud rate, then one read per cycle";
}

TEST(MonitorWorker, AnAsciiAddressRowEndsEveryCycleAtThatRow)
{
    const auto rig = WorkerRig::Make();
    rig->list.AddAddressWatch(0x80, HEX16);
    rig->list.AddAddressWatch(0x90, ASCII);
    rig->list.AddAddressWatch(0x81, HEX16);
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitUntil([&] { return rig->view.addressChanges.size() >= 1; }));
    rig->worker.StopAndJoin();
    EXPECT_TRUE(rig->view.cycles.empty());
    for (const std::string& payload : rig->Sent())
        EXPECT_NE(payload, Read16(0x81));
    EXPECT_FALSE(rig->view.stopped);
}

TEST(MonitorWorker, AnUnpluggedPodStopsMonitoringAndTellsTheView)
{
    const auto rig = WorkerRig::Make();
    rig->list.AddAddressWatch(0x80, HEX16);
    rig->view.onCycle = [&](int n) {
        if (n == 1) rig->sim->Unplug();
    };
    ASSERT_TRUE(rig->worker.Start(4));
    ASSERT_TRUE(rig->view.WaitUntil([&] { return rig->view.stopped; }));
    rig->worker.StopAndJoin();
    EXPECT_FALSE(rig->worker.IsRunning());
    EXPECT_FALSE(rig->session.IsOpen());
    EXPECT_EQ(rig->view.cycles.size(), 1u);
    // Started again with the cable back, it runs.
    rig->sim->Plug();
    rig->view.onCycle = nullptr;
    ASSERT_TRUE(rig->worker.Start(4));
    EXPECT_TRUE(rig->view.WaitCycles(2));
}

TEST(MonitorWorker, StartWithoutAPodChangesNothingAndStopRequestReturnsAtOnce)
{
    const auto rig = WorkerRig::Make();
    rig->sim->Unplug();
    EXPECT_FALSE(rig->worker.Start(4));
    EXPECT_FALSE(rig->worker.IsRunning());
    EXPECT_TRUE(rig->Sent().empty());

    rig->sim->Plug();
    ASSERT_TRUE(rig->worker.Start(4));
    EXPECT_FALSE(rig->worker.Start(4)); // already running
    rig->worker.RequestStop();
    // START pressed right after STOP waits for the ending worker instead of being lost.
    ASSERT_TRUE(rig->worker.Start(4));
    EXPECT_TRUE(rig->view.WaitCycles(1));
    rig->worker.StopAndJoin();
    EXPECT_FALSE(rig->worker.IsRunning());
}

TEST(MonitorReader, OneItemOnceAndOneWriteOnce)
{
    const auto rig = WorkerRig::Make();
    ASSERT_TRUE(rig->session.ReopenPodSession());
    Reading reading;
    ASSERT_TRUE(WriteOnce(rig->session, {ASCII, 0x40, 0, TextWordsOf("h\xE9", TextSpanOf(8, {}))}));
    ASSERT_TRUE(ReadItemOnce(rig->session, 0x40, ASCII, TextSpanOf(8, {}), reading));
    EXPECT_EQ(reading.text, "h\xC3\xA9"); // the Latin-1 byte comes back as its character
    EXPECT_FALSE(reading.value.has_value());
    ASSERT_TRUE(WriteOnce(rig->session, {FLOAT, 0x42, 0xBF800000, {}}));
    ASSERT_TRUE(ReadItemOnce(rig->session, 0x42, FLOAT, {}, reading));
    EXPECT_EQ(reading.text, "-1");
    EXPECT_EQ(reading.value, -1.0);
    EXPECT_EQ(reading.raw, 0xBF800000u);
    EXPECT_FALSE(ReadItemOnce(rig->session, 0x100000, HEX16, {}, reading)); // outside RAM
}

// What the ELF says of a variable of `bytes` bytes at `byteAddress`.
TypedRow TypedAt(const char* path, std::uint32_t byteAddress, std::uint32_t bytes, const char* type,
                 ViewType viewType)
{
    TypedRow row;
    row.path = path;
    row.byteAddress = byteAddress;
    row.address = byteAddress >> 1;
    row.lane = static_cast<std::uint8_t>(byteAddress & 1);
    row.sizeBytes = bytes;
    row.sizeWords = static_cast<std::int32_t>((bytes + row.lane + 1) / 2);
    row.typeText = type;
    row.viewType = viewType;
    return row;
}

WatchItem ItemOf(const TypedRow& row)
{
    WatchItem item;
    item.label = row.path;
    item.address = row.address;
    item.size = row.sizeWords;
    item.viewType = row.viewType;
    item.typed = row;
    return item;
}

// A char[6] whose first byte is the high byte of word 0x40: writing "HELLO" must leave
// the low byte of 0x40 and the high byte of 0x43 to the variables beside it.
TEST(CheckedWrite, ATextFromAHighByteTouchesOnlyItsOwnBytes)
{
    const auto rig = WorkerRig::Make();
    ASSERT_TRUE(rig->session.ReopenPodSession());
    for (std::uint32_t word = 0x40; word <= 0x43; ++word) rig->sim->Pod().WriteRam(word, 0x7A7A, 0);
    const TypedRow text = TypedAt("text", 0x81, 6, "char[6]", ASCII);
    const WatchItem item = ItemOf(text);
    const WritePlan plan = PrepareWrite(WriteTargetOf(item), "HELLO!");
    ASSERT_TRUE(plan.request) << plan.refusal;
    Reading reading;
    const WriteCheck check = WriteAndReadBack(rig->session, TypedSymbols{}, item, *plan.request, reading);
    EXPECT_EQ(check.failure, "");
    EXPECT_EQ(reading.text, "HELLO"); // the sixth byte holds the terminating zero

    EXPECT_EQ(rig->sim->Pod().ReadRam(0x40, 0), 0x487A);
    EXPECT_EQ(rig->sim->Pod().ReadRam(0x41, 0), 0x4C45);
    EXPECT_EQ(rig->sim->Pod().ReadRam(0x42, 0), 0x4F4C);
    EXPECT_EQ(rig->sim->Pod().ReadRam(0x43, 0), 0x7A00);
    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 4u);
    const std::vector<std::string> writes(sent.begin(), sent.begin() + 4);
    EXPECT_EQ(writes, (std::vector<std::string>{"520100004048", "5202000041" "4C45",
                                                "5202000042" "4F4C", "520000004300"}));
}

// A bit field is read with its word, changed in its own bits and written back: the
// fields beside it keep what the target held.
TEST(CheckedWrite, ABitFieldIsWrittenWithinItsWord)
{
    const auto rig = WorkerRig::Make();
    ASSERT_TRUE(rig->session.ReopenPodSession());
    rig->sim->Pod().WriteRam(0x40, 0xFFFF, 0);
    TypedRow field = TypedAt("reg.MODE", 0x80, 2, "unsigned short : 3", UINT16);
    field.bits = BitField{2, 3};
    const WatchItem item = ItemOf(field);
    const WritePlan plan = PrepareWrite(WriteTargetOf(item), "0");
    ASSERT_TRUE(plan.request) << plan.refusal;
    Reading reading;
    const WriteCheck check = WriteAndReadBack(rig->session, TypedSymbols{}, item, *plan.request, reading);
    EXPECT_EQ(check.failure, "");
    EXPECT_EQ(rig->sim->Pod().ReadRam(0x40, 0), 0xFFE3);
    const auto sent = rig->Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], Read16(0x40));
    EXPECT_EQ(sent[1], "5202000040FFE3");
}

} // namespace
