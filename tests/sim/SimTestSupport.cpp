#include "tests/sim/SimTestSupport.h"

#include <cstdio>

#include "sim/SimCatalog.h"

namespace simtest {

std::string Hex(std::uint32_t value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

std::string Frame(const std::string& payload)
{
    unsigned sum = 0;
    for (unsigned char c : payload) {
        sum += c;
    }
    return ":" + payload + Hex(sum & 0xFFu, 2) + "\r";
}

std::string Words(const std::vector<std::uint16_t>& words)
{
    std::string out;
    for (std::uint16_t w : words) {
        out += Hex(w, 4);
    }
    return out;
}

std::uint16_t Sum(const std::vector<std::uint16_t>& words)
{
    unsigned sum = 0;
    for (std::uint16_t w : words) {
        sum += w;
    }
    return static_cast<std::uint16_t>(sum);
}

Bench::Bench(sim::SimOptions options) : clock(1000)
{
    driver = sim::CreateSimDriver(options, clock);
    driver->Load();
}

namespace {
bool Configure(sim::SimUsbDriver& d, pod::FtHandle h, std::uint32_t baud, std::uint8_t parity)
{
    return d.ResetDevice(h) == pod::kFtOk && d.SetLatencyTimer(h, 2) == pod::kFtOk &&
           d.SetBaudRate(h, baud) == pod::kFtOk &&
           d.SetDataCharacteristics(h, 8, 0, parity) == pod::kFtOk &&
           d.SetFlowControl(h, 0, 0, 0) == pod::kFtOk &&
           d.SetTimeouts(h, 1500, 1500) == pod::kFtOk && d.Purge(h, 3) == pod::kFtOk;
}
} // namespace

bool Bench::OpenCommand()
{
    return driver->OpenByDescription("Quobin", &handle) == pod::kFtOk &&
           Configure(*driver, handle, 921600, 0);
}

bool Bench::OpenBoot()
{
    return driver->OpenByDescription("Quobin", &handle) == pod::kFtOk &&
           Configure(*driver, handle, 115200, 2);
}

void Bench::Close()
{
    driver->Close(handle);
    handle = nullptr;
}

std::string Bench::Raw(const std::string& bytes, std::uint32_t waitMs)
{
    std::uint32_t written = 0;
    driver->Write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    std::string reply;
    for (std::uint32_t t = 0; t <= waitMs; ++t) {
        char c = 0;
        std::uint32_t got = 0;
        while (driver->Read(handle, &c, 1, &got) == pod::kFtOk && got == 1) {
            reply.push_back(c);
        }
        clock.SleepMs(1);
    }
    return reply;
}

std::string Bench::Command(const std::string& payload, std::uint32_t waitMs)
{
    return Raw(Frame(payload), waitMs);
}

std::vector<std::uint16_t> Bench::Loader(int type) const
{
    return sim::PartFor(type)->loader;
}

bool Bench::ConnectAndLoad(int type, int connectMode)
{
    const std::vector<std::uint16_t> loader = Loader(type);
    return Ok("20" + Hex(static_cast<std::uint32_t>(type), 2) +
              Hex(static_cast<std::uint32_t>(connectMode), 2) + "000064") &&
           Ok("21") && Ok("23" + Hex(static_cast<std::uint32_t>(loader.size()), 4) + Words(loader));
}

} // namespace simtest
