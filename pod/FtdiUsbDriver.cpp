#include "pod/FtdiUsbDriver.h"

#include "pod/FtdiReceiveBuffer.h"

#include <ftdi.h>

#include <cstring>

namespace pod {

static_assert(BITS_8 == 8 && BITS_7 == 7);
static_assert(STOP_BIT_1 == 0 && STOP_BIT_15 == 1 && STOP_BIT_2 == 2);
static_assert(NONE == 0 && ODD == 1 && EVEN == 2 && MARK == 3 && SPACE == 4);

namespace {
// D2XX flow-control values.
constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint16_t kFlowDtrDsr = 0x0200;
constexpr std::uint16_t kFlowXonXoff = 0x0400;

// The FTDI vendor id with the product ids libftdi searches when given none.
constexpr int kAnyFtdiVendor = 0;
constexpr int kAnyFtdiProduct = 0;

class DeviceList {
public:
    explicit DeviceList(ftdi_context* context)
        : m_count(ftdi_usb_find_all(context, &m_list, kAnyFtdiVendor, kAnyFtdiProduct))
    {
    }
    ~DeviceList()
    {
        if (m_list) ftdi_list_free(&m_list);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    int count() const { return m_count; }
    libusb_device* at(std::uint32_t index) const
    {
        ftdi_device_list* node = m_list;
        for (std::uint32_t i = 0; node && i < index; ++i)
            node = node->next;
        return node ? node->dev : nullptr;
    }

private:
    ftdi_device_list* m_list = nullptr;
    int m_count;
};
} // namespace

struct FtdiUsbDriver::Device {
    ftdi_context* context = nullptr;
    FtdiReceiveBuffer rx;

    FtdiReceiveBuffer::Pull Pull()
    {
        return [this](std::uint8_t* buffer, int size) {
            return ftdi_read_data(context, buffer, size);
        };
    }
};

bool FtdiUsbDriver::MapLineProperties(std::uint8_t wordLength, std::uint8_t stopBits,
                                      std::uint8_t parity, LineProperties& out)
{
    if (wordLength != 7 && wordLength != 8) return false;
    // D2XX: 0 one stop bit, 2 two stop bits.
    if (stopBits != kFtStopBits1 && stopBits != 2) return false;
    // D2XX parity values 0..4 are none, odd, even, mark, space, as in libftdi.
    if (parity > 4) return false;
    out = LineProperties{wordLength, stopBits == kFtStopBits1 ? STOP_BIT_1 : STOP_BIT_2, parity};
    return true;
}

bool FtdiUsbDriver::MapFlowControl(std::uint16_t flow, int& sioFlow)
{
    switch (flow) {
    case kFtFlowNone:
        sioFlow = SIO_DISABLE_FLOW_CTRL;
        return true;
    case kFlowRtsCts:
        sioFlow = SIO_RTS_CTS_HS;
        return true;
    case kFlowDtrDsr:
        sioFlow = SIO_DTR_DSR_HS;
        return true;
    case kFlowXonXoff:
        sioFlow = SIO_XON_XOFF_HS;
        return true;
    default:
        return false;
    }
}

std::string FtdiUsbDriver::HintFor(const std::string& reason)
{
    auto has = [&reason](const char* word) { return reason.find(word) != std::string::npos; };
    if (has("claim") || has("detach") || has("default FTDI driver"))
        return "The kernel's ftdi_sio driver holds the device: unload it (sudo rmmod ftdi_sio) "
               "or unbind the POD from it, then try again.";
    if (has("libusb_open") || has("permission") || has("unable to open"))
        return "No permission to open the USB device: add a udev rule such as "
               "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"0403\", MODE=\"0660\", GROUP=\"plugdev\" "
               "in /etc/udev/rules.d/, reload the rules and plug the POD in again.";
    if (has("libusb_init") || has("libusb_get_device_list"))
        return "libusb cannot reach the USB subsystem on this system: check that /dev/bus/usb "
               "exists (a container must be given the host's USB devices).";
    // libftdi reports a vanished device only as a failed transfer or control request.
    if (has("bulk") || has("unavailable") || has("reset failed") || has("purge") ||
        has("Setting new") || has("set flow control") || has("unable to set latency"))
        return "The POD may have been unplugged: check the cable, plug it in again and retry.";
    return {};
}

std::string FtdiUsbDriver::DescribeFailure(const char* call, int result, const std::string& reason)
{
    std::string message =
        std::string("libftdi: ") + call + " failed (" + std::to_string(result) + "): " + reason;
    const std::string hint = HintFor(reason);
    if (!hint.empty()) message += ". " + hint;
    return message;
}

bool FtdiUsbDriver::Available() { return true; }

FtdiUsbDriver::FtdiUsbDriver() = default;

FtdiUsbDriver::~FtdiUsbDriver()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Device* device : m_devices) {
        ftdi_usb_close(device->context);
        ftdi_free(device->context);
        delete device;
    }
    m_devices.clear();
    if (m_context) ftdi_free(m_context);
}

FtStatus FtdiUsbDriver::FailText(const std::string& text, FtStatus status)
{
    m_lastError = text;
    return status;
}

FtStatus FtdiUsbDriver::Fail(ftdi_context* context, const char* call, int result, FtStatus status)
{
    return FailText(DescribeFailure(call, result, context ? ftdi_get_error_string(context) : ""),
                    status);
}

bool FtdiUsbDriver::Load()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_context) return true;
    m_context = ftdi_new();
    if (!m_context) {
        m_lastError = "libftdi: ftdi_new failed: cannot create a context (libusb_init failed). " +
                      HintFor("libusb_init");
        return false;
    }
    return true;
}

void FtdiUsbDriver::Unload()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_context) {
        ftdi_free(m_context);
        m_context = nullptr;
    }
}

bool FtdiUsbDriver::IsLoaded() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_context != nullptr;
}

FtStatus FtdiUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *count = 0;
    if (!m_context) return FailText("libftdi: not loaded", kFtOtherError);
    DeviceList list(m_context);
    if (list.count() < 0) return Fail(m_context, "ftdi_usb_find_all", list.count(), kFtIoError);
    *count = static_cast<std::uint32_t>(list.count());
    return kFtOk;
}

FtStatus FtdiUsbDriver::DeviceString(std::uint32_t index, char* buffer, bool serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    buffer[0] = '\0';
    if (!m_context) return FailText("libftdi: not loaded", kFtOtherError);
    DeviceList list(m_context);
    if (list.count() < 0) return Fail(m_context, "ftdi_usb_find_all", list.count(), kFtIoError);
    libusb_device* device = list.at(index);
    if (!device) return FailText("libftdi: no device at that index", kFtDeviceNotFound);
    char text[kDescriptionSize] = {};
    const int result = serial ? ftdi_usb_get_strings(m_context, device, nullptr, 0, nullptr, 0,
                                                     text, static_cast<int>(sizeof text))
                              : ftdi_usb_get_strings(m_context, device, nullptr, 0, text,
                                                     static_cast<int>(sizeof text), nullptr, 0);
    if (result < 0) return Fail(m_context, "ftdi_usb_get_strings", result, kFtIoError);
    std::memcpy(buffer, text, kDescriptionSize);
    buffer[kDescriptionSize - 1] = '\0';
    return kFtOk;
}

FtStatus FtdiUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    return DeviceString(index, buffer, false);
}

FtStatus FtdiUsbDriver::ListDeviceSerial(std::uint32_t index, char* buffer)
{
    return DeviceString(index, buffer, true);
}

FtStatus FtdiUsbDriver::OpenByDescription(const char* description, FtHandle* handle)
{
    return OpenMatching(description, false, handle);
}

FtStatus FtdiUsbDriver::OpenBySerial(const char* serial, FtHandle* handle)
{
    return OpenMatching(serial, true, handle);
}

FtStatus FtdiUsbDriver::OpenMatching(const char* wanted, bool bySerial, FtHandle* handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *handle = nullptr;
    if (!m_context) return FailText("libftdi: not loaded", kFtOtherError);
    ftdi_context* context = ftdi_new();
    if (!context) return FailText("libftdi: cannot create a context", kFtOtherError);
    DeviceList list(context);
    if (list.count() < 0) {
        const FtStatus status = Fail(context, "ftdi_usb_find_all", list.count(), kFtIoError);
        ftdi_free(context);
        return status;
    }
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(list.count()); ++i) {
        char text[kDescriptionSize] = {};
        const int got = bySerial ? ftdi_usb_get_strings(context, list.at(i), nullptr, 0, nullptr,
                                                        0, text, static_cast<int>(sizeof text))
                                 : ftdi_usb_get_strings(context, list.at(i), nullptr, 0, text,
                                                        static_cast<int>(sizeof text), nullptr, 0);
        if (got < 0 || std::strcmp(text, wanted) != 0) continue;
        const int result = ftdi_usb_open_dev(context, list.at(i));
        if (result < 0) {
            const FtStatus status = Fail(context, "ftdi_usb_open_dev", result, kFtDeviceNotOpened);
            ftdi_free(context);
            return status;
        }
        context->usb_read_timeout = kPollTimeoutMs;
        auto* device = new Device{context, {}};
        m_devices.insert(device);
        *handle = device;
        return kFtOk;
    }
    ftdi_free(context);
    return FailText(std::string("libftdi: no FTDI device ") +
                        (bySerial ? "with serial number \"" : "described \"") + wanted +
                        (bySerial ? "\". Check that this POD is plugged in; "
                                  : "\". Check that the POD is plugged in; ") +
                        "quobin-cli devices lists the devices libftdi sees.",
                    kFtDeviceNotFound);
}

FtdiUsbDriver::Device* FtdiUsbDriver::Find(FtHandle handle)
{
    auto* device = static_cast<Device*>(handle);
    if (m_devices.count(device) == 0) {
        m_lastError = "libftdi: invalid handle";
        return nullptr;
    }
    return device;
}

#define QUOBIN_FTDI_DEVICE(handle)                                                                 \
    std::lock_guard<std::mutex> lock(m_mutex);                                                     \
    Device* device = Find(handle);                                                                 \
    if (!device) return kFtInvalidHandle

FtStatus FtdiUsbDriver::ResetDevice(FtHandle handle)
{
    QUOBIN_FTDI_DEVICE(handle);
    const int result = ftdi_usb_reset(device->context);
    device->rx.Clear();
    return result < 0 ? Fail(device->context, "ftdi_usb_reset", result, kFtIoError) : kFtOk;
}

FtStatus FtdiUsbDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds)
{
    QUOBIN_FTDI_DEVICE(handle);
    const int result = ftdi_set_latency_timer(device->context, milliseconds);
    return result < 0 ? Fail(device->context, "ftdi_set_latency_timer", result, kFtIoError) : kFtOk;
}

FtStatus FtdiUsbDriver::SetBaudRate(FtHandle handle, std::uint32_t baud)
{
    QUOBIN_FTDI_DEVICE(handle);
    const int result = ftdi_set_baudrate(device->context, static_cast<int>(baud));
    return result < 0 ? Fail(device->context, "ftdi_set_baudrate", result, kFtIoError) : kFtOk;
}

FtStatus FtdiUsbDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity)
{
    QUOBIN_FTDI_DEVICE(handle);
    LineProperties line{};
    if (!MapLineProperties(wordLength, stopBits, parity, line))
        return FailText("libftdi: unsupported character format", kFtInvalidParameter);
    const int result = ftdi_set_line_property(
        device->context, static_cast<ftdi_bits_type>(line.bits),
        static_cast<ftdi_stopbits_type>(line.stopBits), static_cast<ftdi_parity_type>(line.parity));
    return result < 0 ? Fail(device->context, "ftdi_set_line_property", result, kFtIoError) : kFtOk;
}

FtStatus FtdiUsbDriver::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                       std::uint8_t xoff)
{
    QUOBIN_FTDI_DEVICE(handle);
    int sio = 0;
    if (!MapFlowControl(flow, sio))
        return FailText("libftdi: unsupported flow control", kFtInvalidParameter);
    const int result = sio == SIO_XON_XOFF_HS ? ftdi_setflowctrl_xonxoff(device->context, xon, xoff)
                                              : ftdi_setflowctrl(device->context, sio);
    return result < 0 ? Fail(device->context, "ftdi_setflowctrl", result, kFtIoError) : kFtOk;
}

FtStatus FtdiUsbDriver::SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs)
{
    QUOBIN_FTDI_DEVICE(handle);
    // Reads poll and never wait for the read time-out; writes are bounded by libusb.
    (void)readMs;
    device->context->usb_write_timeout = static_cast<int>(writeMs);
    return kFtOk;
}

FtStatus FtdiUsbDriver::Purge(FtHandle handle, std::uint32_t mask)
{
    QUOBIN_FTDI_DEVICE(handle);
    if (mask & kFtPurgeRx) {
        device->rx.Clear();
        const int result = ftdi_tciflush(device->context);
        if (result < 0) return Fail(device->context, "ftdi_tciflush", result, kFtIoError);
    }
    if (mask & kFtPurgeTx) {
        const int result = ftdi_tcoflush(device->context);
        if (result < 0) return Fail(device->context, "ftdi_tcoflush", result, kFtIoError);
    }
    return kFtOk;
}

FtStatus FtdiUsbDriver::Write(FtHandle handle, const void* buffer, std::uint32_t length,
                              std::uint32_t* written)
{
    *written = 0;
    QUOBIN_FTDI_DEVICE(handle);
    const int result = ftdi_write_data(device->context, static_cast<const unsigned char*>(buffer),
                                       static_cast<int>(length));
    if (result < 0) return Fail(device->context, "ftdi_write_data", result, kFtIoError);
    *written = static_cast<std::uint32_t>(result);
    return kFtOk;
}

FtStatus FtdiUsbDriver::GetStatus(FtHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                                  std::uint32_t* eventStatus)
{
    QUOBIN_FTDI_DEVICE(handle);
    *rxQueue = device->rx.size();
    *txQueue = 0; // writes are synchronous
    *eventStatus = 0;
    return kFtOk;
}

FtStatus FtdiUsbDriver::Read(FtHandle handle, void* buffer, std::uint32_t length,
                             std::uint32_t* received)
{
    *received = 0;
    QUOBIN_FTDI_DEVICE(handle);
    const int result = device->rx.Read(device->Pull(), buffer, length);
    if (result < 0) return Fail(device->context, "ftdi_read_data", result, kFtIoError);
    *received = static_cast<std::uint32_t>(result);
    return kFtOk;
}

FtStatus FtdiUsbDriver::GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue)
{
    *rxQueue = 0;
    QUOBIN_FTDI_DEVICE(handle);
    const int result = device->rx.Poll(device->Pull());
    if (result < 0) return Fail(device->context, "ftdi_read_data", result, kFtIoError);
    *rxQueue = device->rx.size();
    return kFtOk;
}

FtStatus FtdiUsbDriver::Close(FtHandle handle)
{
    QUOBIN_FTDI_DEVICE(handle);
    const int result = ftdi_usb_close(device->context);
    const FtStatus status =
        result < 0 ? Fail(device->context, "ftdi_usb_close", result, kFtIoError) : kFtOk;
    ftdi_free(device->context);
    m_devices.erase(device);
    delete device;
    return status;
}

std::string FtdiUsbDriver::LastError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

} // namespace pod
