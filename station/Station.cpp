#include "station/Station.h"

#include "platform/Identity.h"
#include "pod/AttachedDevices.h"
#include "records/OpenStore.h"
#include "pod/TracingUsbDriver.h"
#include "sim/EmulatedPod.h"
#include "sim/SimFault.h"
#include "sim/SimUsbDriver.h"

#include <algorithm>

namespace station {

Station::Opening Station::Open(const podlink::LinkOptions& options, pod::PodClock& clock,
                               Tracing tracing)
{
    Opening opening;
    podlink::LinkOptions linkOptions = options;
    if (tracing == Tracing::PerUnit) linkOptions.tracePath.clear();
    podlink::PodLink link = podlink::MakePodLink(linkOptions, clock);
    if (!link.driver) {
        opening.error = link.error;
        opening.usage = !link.failed;
        return opening;
    }
    opening.station.reset(new Station(options, clock, std::move(link)));
    return opening;
}

Station::Station(const podlink::LinkOptions& options, pod::PodClock& clock, podlink::PodLink link)
    : m_options(options), m_clock(clock), m_link(std::move(link))
{
}

Station::~Station()
{
    (void)Close();
}

Station::DeviceListing Station::ListDevices()
{
    DeviceListing listing;
    pod::UsbDriver& usb = *m_link.driver;
    if (!usb.Load()) {
        listing.error = "no FTDI driver could be loaded: " + usb.LastError();
        return listing;
    }
    listing.devices = pod::ListAttachedDevices(usb);
    usb.Unload();
    return listing;
}

std::vector<std::string> Station::AttachedSerials()
{
    return pod::PodSerials(pod::ListAttachedDevices(*m_link.driver));
}

PodChoice Station::ChoosePod(const std::optional<std::string>& wanted)
{
    PodChoice choice;
    choice.found = AttachedSerials();
    if (wanted) {
        if (std::find(choice.found.begin(), choice.found.end(), *wanted) == choice.found.end()) {
            choice.error = "no POD with serial number " + *wanted +
                           " is attached (PODs found: " + pod::SerialList(choice.found) + ")";
            return choice;
        }
        choice.serial = *wanted;
    } else if (choice.found.size() > 1) {
        // Opened by its description, one of several PODs would be whichever the driver
        // picks.
        choice.serial = choice.found.front();
        choice.pickedFirst = true;
    }
    choice.ok = true;
    m_chosenSerial = choice.serial;
    return choice;
}

std::unique_ptr<PodUnit> Station::OpenUnit(ops::ProgrammerView& view, ops::MonitorControl& monitor)
{
    return std::make_unique<PodUnit>(
        UnitConnection{{}, m_link.driver.get(), m_link.tracer, m_chosenSerial}, m_clock, view,
        monitor, m_cancel, KeepSink());
}

std::unique_ptr<PodUnit> Station::OpenUnitOf(const std::string& serial, ops::ProgrammerView& view,
                                             ops::MonitorControl& monitor, std::string& error)
{
    podlink::PodLink link = podlink::MakeUnitLink(m_options, m_link, serial, m_clock);
    if (!link.driver) {
        error = link.error;
        return nullptr;
    }
    pod::UsbDriver* driver = link.driver.get();
    pod::TracingUsbDriver* tracer = link.tracer;
    return std::make_unique<PodUnit>(UnitConnection{std::move(link), driver, tracer, serial},
                                     m_clock, view, monitor, m_cancel, KeepSink());
}

std::function<void(const ops::RunRecord&)> Station::KeepSink()
{
    return [this](const ops::RunRecord& record) { m_records.Keep(record); };
}

std::string Station::OpenRecords(const std::string& where, const std::string& spool,
                                 const std::string& stationName, const std::string& operatorName,
                                 std::string& note)
{
    records::StoreOpening opening = records::OpenRecordStore(where, spool);
    if (!opening.store) return opening.error;
    RecordContext context;
    context.station = stationName.empty() ? platform::HostName() : stationName;
    context.operatorName = operatorName.empty() ? platform::LoginName() : operatorName;
    context.emulated = emulated();
    m_records.SetStore(std::move(opening.store), std::move(context));
    note = opening.note;
    return {};
}

void Station::TraceNote(const std::string& text)
{
    if (m_link.tracer != nullptr) m_link.tracer->Note(text);
}

std::vector<std::string> Station::UnfiredFaults()
{
    std::vector<std::string> lines;
    if (m_link.simulated == nullptr) return lines;
    const std::size_t pods = m_link.simulated->PodCount();
    for (std::size_t i = 0; i < pods; ++i) {
        for (const sim::SimFault& fault : m_link.simulated->Pod(i).UnfiredFaults()) {
            std::string line = "fault " + sim::FaultText(fault) + " never fired";
            // A fault named for one POD says which already.
            if (pods > 1 && fault.serial.empty()) line += " on " + sim::SimUsbDriver::SerialFor(i);
            if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> Station::Close()
{
    std::vector<std::string> errors;
    if (m_closed) return errors;
    m_closed = true;
    if (m_link.simulated != nullptr) {
        for (std::size_t i = 0; i < m_link.simulated->PodCount(); ++i)
            if (std::string error = m_link.simulated->Pod(i).Save(); !error.empty())
                errors.push_back("cannot save the emulator's state: " + error);
    }
    // The emulator holds its state folder's lock for as long as its driver lives.
    m_link.simulated = nullptr;
    m_link.tracer = nullptr;
    m_link.driver.reset();
    m_link.traceFile.reset();
    return errors;
}

} // namespace station
