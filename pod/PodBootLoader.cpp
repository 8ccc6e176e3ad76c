#include "pod/PodBootLoader.h"

#include "pod/PodIo.h"
#include "pod/PodOpcodes.h"
#include "pod/PodSession.h"

#include <algorithm>
#include <vector>

namespace pod {

namespace {

// One phase: purge, send, poll the receive queue within the step's shared budget, then
// read the answer byte. polls carries over from phase to phase.
bool BootPhase(PodSession& session, std::span<const std::uint8_t> bytes, int& polls, int budget)
{
    UsbDriver& driver = session.driver();
    driver.Purge(session.handle(), kFtPurgeRx | kFtPurgeTx);
    PodWrite(session, bytes.data(), static_cast<std::uint32_t>(bytes.size()), kPodTimeoutMs);
    for (;;) {
        if (polls >= budget) return false;
        session.clock().SleepMs(1);
        std::uint32_t rxQueue = 0;
        const FtStatus status = driver.GetQueueStatus(session.handle(), &rxQueue);
        ++polls;
        if (status != kFtOk) return false;
        if (rxQueue > 0) break;
    }
    std::uint8_t answer = 0;
    PodRead(session, &answer, 1, kPodTimeoutMs);
    return answer == boot::kAck;
}

std::uint8_t Xor(std::span<const std::uint8_t> bytes, std::uint8_t start = 0)
{
    for (std::uint8_t b : bytes)
        start ^= b;
    return start;
}

} // namespace

bool BootSync(PodSession& session)
{
    auto lock = session.Lock();
    if (!session.IsOpen()) return false;
    int polls = 0;
    const std::uint8_t sync[] = {boot::kSync};
    return BootPhase(session, sync, polls, kBootSyncPolls);
}

bool BootEraseAll(PodSession& session)
{
    auto lock = session.Lock();
    if (!session.IsOpen()) return false;
    int polls = 0;
    const std::uint8_t command[] = {boot::kEraseMemory,
                                    static_cast<std::uint8_t>(~boot::kEraseMemory)};
    const std::uint8_t global[] = {boot::kGlobalErase, 0x00};
    return BootPhase(session, command, polls, kBootErasePolls) &&
           BootPhase(session, global, polls, kBootErasePolls);
}

bool BootWriteBlock(PodSession& session, std::span<const std::uint8_t> image, std::size_t offset)
{
    if (offset >= image.size()) return false;
    auto lock = session.Lock();
    if (!session.IsOpen()) return false;
    const std::size_t length = std::min(boot::kMaxBlockBytes, image.size() - offset);
    const auto data = image.subspan(offset, length);

    const std::uint8_t command[] = {boot::kWriteMemory,
                                    static_cast<std::uint8_t>(~boot::kWriteMemory)};
    const std::uint32_t address = boot::kFlashBase + static_cast<std::uint32_t>(offset);
    std::uint8_t addressPhase[5] = {
        static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
        static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0};
    addressPhase[4] = Xor(std::span<const std::uint8_t>(addressPhase, 4));

    std::vector<std::uint8_t> dataPhase;
    dataPhase.reserve(length + 2);
    dataPhase.push_back(static_cast<std::uint8_t>(length - 1));
    dataPhase.insert(dataPhase.end(), data.begin(), data.end());
    dataPhase.push_back(Xor(dataPhase));

    int polls = 0;
    return BootPhase(session, command, polls, kBootWriteAddressPolls) &&
           BootPhase(session, addressPhase, polls, kBootWriteAddressPolls) &&
           BootPhase(session, dataPhase, polls, kBootWriteTotalPolls);
}

} // namespace pod
