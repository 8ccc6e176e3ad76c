#include "pod/PodSession.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pod {

PodSession::PodSession(UsbDriver& driver, PodClock& clock) : m_driver(driver), m_clock(clock) {}

PodSession::~PodSession()
{
    ClosePodSession();
}

std::unique_lock<std::recursive_mutex> PodSession::Lock()
{
    return std::unique_lock<std::recursive_mutex>(m_lock);
}

std::unique_lock<std::recursive_mutex> PodSession::TryLock()
{
    return std::unique_lock<std::recursive_mutex>(m_lock, std::try_to_lock);
}

PodState PodSession::state() const
{
    if (IsOpen()) return PodState::Open;
    if (m_libraryReady.load() && m_deviceFound.load()) return PodState::Ready;
    return PodState::Absent;
}

std::string PodSession::description() const
{
    std::lock_guard<std::mutex> guard(m_descriptionMutex);
    return m_description;
}

void PodSession::SetSerial(std::string serial)
{
    std::lock_guard<std::mutex> guard(m_descriptionMutex);
    m_serial = std::move(serial);
}

std::string PodSession::serial() const
{
    std::lock_guard<std::mutex> guard(m_descriptionMutex);
    return m_serial;
}

void PodSession::ProbePod()
{
    auto lock = Lock();
    if (!m_driver.IsLoaded() && !m_driver.Load()) {
        m_libraryReady = false;
        m_deviceFound = false;
        return;
    }
    FindPodDevice();
    if (m_deviceFound.load()) {
        m_libraryReady = true;
        return;
    }
    m_driver.Unload();
    m_libraryReady = false;
    m_deviceFound = false;
}

void PodSession::FindPodDevice()
{
    auto lock = Lock();
    bool found = false;
    const std::string wantedSerial = serial();
    // The driver lists devices by index: one unplugged while the list is read (another
    // POD of a test station) moves the ones after it down, and an index stops answering.
    // Then the list is read again, a few times at most, before the POD counts as absent.
    constexpr int kListings = 3;
    for (int listing = 0; listing < kListings && !found; ++listing) {
        std::uint32_t count = 0;
        if (m_driver.ListDeviceCount(&count) != kFtOk) break;
        bool moved = false;
        // Every device is visited, also after a match: the open by description then
        // takes whichever of several PODs the driver picks.
        for (std::uint32_t i = 0; i < count; ++i) {
            std::array<char, kDescriptionSize> buffer{};
            if (m_driver.ListDeviceDescription(i, buffer.data()) != kFtOk) {
                moved = true;
                continue;
            }
            // A driver that fills all 64 bytes leaves no terminator; never read past.
            const std::size_t length = strnlen(buffer.data(), buffer.size());
            if (std::string_view(buffer.data(), length) != kPodDescription) continue;
            if (wantedSerial.empty()) {
                found = true;
                continue;
            }
            const std::string listed = SerialAt(i);
            moved = moved || listed.empty();
            found = found || listed == wantedSerial;
        }
        if (!moved) break;
    }
    if (found) {
        std::lock_guard<std::mutex> guard(m_descriptionMutex);
        m_description = kPodDescription;
    }
    m_deviceFound = found;
}

std::string PodSession::SerialAt(std::uint32_t index)
{
    std::array<char, kDescriptionSize> buffer{};
    if (m_driver.ListDeviceSerial(index, buffer.data()) != kFtOk) return {};
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

bool PodSession::OpenWith(std::uint32_t baud, std::uint8_t parity, PodConfiguration configuration)
{
    auto lock = Lock();
    if (!m_libraryReady.load() || !m_deviceFound.load()) return false;
    // A handle left open would leak and keep the device busy for the new open.
    ClosePodSession();

    std::array<char, kDescriptionSize> name{};
    {
        std::lock_guard<std::mutex> guard(m_descriptionMutex);
        std::memcpy(name.data(), m_description.data(),
                    std::min(m_description.size(), name.size() - 1));
    }
    FtHandle handle = nullptr;
    const std::string wantedSerial = serial();
    const FtStatus opened = wantedSerial.empty()
                                ? m_driver.OpenByDescription(name.data(), &handle)
                                : m_driver.OpenBySerial(wantedSerial.c_str(), &handle);
    if (opened != kFtOk) return false;

    const bool configured =
        m_driver.ResetDevice(handle) == kFtOk &&
        m_driver.SetLatencyTimer(handle, kPodLatencyMs) == kFtOk &&
        m_driver.SetBaudRate(handle, baud) == kFtOk &&
        m_driver.SetDataCharacteristics(handle, kFtBits8, kFtStopBits1, parity) == kFtOk &&
        m_driver.SetFlowControl(handle, kFtFlowNone, 0, 0) == kFtOk &&
        m_driver.SetTimeouts(handle, kPodDriverTimeoutMs, kPodDriverTimeoutMs) == kFtOk &&
        m_driver.Purge(handle, kFtPurgeRx | kFtPurgeTx) == kFtOk;
    if (!configured) {
        m_driver.Close(handle);
        return false;
    }
    m_configuration = configuration;
    m_handle = handle;
    return true;
}

bool PodSession::OpenPodSession()
{
    return OpenWith(kCommandBaud, kFtParityNone, PodConfiguration::Command);
}

bool PodSession::OpenPodBootSession()
{
    return OpenWith(kBootBaud, kFtParityEven, PodConfiguration::Boot);
}

void PodSession::ForgetLibrary()
{
    auto lock = Lock();
    // A handle must never outlive the library instance that opened it.
    ClosePodSession();
    if (m_driver.IsLoaded()) m_driver.Unload();
    m_libraryReady = false;
    m_deviceFound = false;
}

PodOpenResult PodSession::ProbeAndOpen()
{
    if (!m_libraryReady.load() || !m_deviceFound.load()) {
        ForgetLibrary();
        ProbePod();
        if (!m_deviceFound.load()) return PodOpenResult::NotConnected;
    }
    if (OpenPodSession()) return PodOpenResult::Open;
    ForgetLibrary();
    return PodOpenResult::OpenFailed;
}

PodOpenResult PodSession::EnsurePodSession()
{
    auto lock = Lock();
    if (IsOpen()) return PodOpenResult::Open;
    return ProbeAndOpen();
}

bool PodSession::ReopenPodSession()
{
    auto lock = Lock();
    return ProbeAndOpen() == PodOpenResult::Open;
}

void PodSession::ClosePodSession()
{
    auto lock = Lock();
    FtHandle handle = m_handle.exchange(nullptr);
    m_settleMs = 0;
    // Another POD may answer on the next handle.
    m_replyEcho = ReplyEcho::Learning;
    m_echoesSeen = 0;
    if (handle != nullptr) m_driver.Close(handle);
    m_configuration = PodConfiguration::None;
}

void PodSession::LearnReplyEcho(bool echoed)
{
    // Three in a row: a status pair that equals its command's opcode that often would be
    // a coincidence no POD keeps up.
    constexpr int kEchoesToLearn = 3;
    auto lock = Lock();
    if (m_replyEcho.load() != ReplyEcho::Learning) return;
    if (!echoed) {
        m_replyEcho = ReplyEcho::Status;
        return;
    }
    if (++m_echoesSeen >= kEchoesToLearn) m_replyEcho = ReplyEcho::Echoes;
}

} // namespace pod
