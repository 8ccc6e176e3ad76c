// symbols(), Symbol and devices(): what a script can learn without an open POD.
#include <pybind11/stl.h>

#include <memory>
#include <optional>

#include "monitor/TypedSymbols.h"
#include "pod/AttachedDevices.h"
#include "pod/PodClock.h"
#include "python/ModuleParts.h"
#include "python/ScriptArgs.h"
#include "python/ScriptError.h"
#include "python/ScriptMonitor.h"
#include "station/Station.h"

namespace py = pybind11;

namespace script {

namespace {

// A symbol of the map, or a member, element or bit field inside one when an ELF typed it.
// Children are made when asked for, so a large array costs nothing until a script looks.
struct Symbol {
    std::string name;
    std::uint32_t address = 0;
    std::int32_t size = 0;
    std::string view;
    std::optional<std::string> type; // the C type, when an ELF gave one
    std::shared_ptr<const monitor::TypedSymbols> types;
    std::optional<monitor::TypedRow> row;

    std::vector<Symbol> Children() const
    {
        std::vector<Symbol> children;
        if (!row || !types) return children;
        for (const monitor::TypedRow& child : types->Children(*row).rows)
            children.push_back(Member(types, child));
        return children;
    }

    static Symbol Member(const std::shared_ptr<const monitor::TypedSymbols>& types,
                         const monitor::TypedRow& row)
    {
        return {row.path,
                row.address,
                row.sizeWords,
                monitor::ViewTypeName(row.viewType),
                row.typeText.empty() ? std::nullopt : std::optional(row.typeText),
                types,
                row};
    }
};

std::vector<py::dict> Devices(bool simulate, const std::optional<std::string>& driver,
                              const std::optional<py::dict>& sim)
{
    const podlink::LinkOptions options =
        LinkOptionsFrom(simulate, std::nullopt, driver, sim, std::nullopt);
    std::vector<pod::AttachedDevice> attached;
    {
        py::gil_scoped_release release;
        pod::SteadyPodClock clock;
        station::Station::Opening opening = station::Station::Open(options, clock);
        if (!opening.station)
            throw ScriptError(opening.error, opening.usage ? ErrorKind::Usage : ErrorKind::Other);
        station::Station::DeviceListing listing = opening.station->ListDevices();
        if (!listing.error.empty()) throw ScriptError(listing.error, ErrorKind::LinkLost);
        attached = std::move(listing.devices);
    }
    std::vector<py::dict> devices;
    for (const pod::AttachedDevice& device : attached)
        devices.push_back(py::dict(py::arg("index") = device.index,
                                   py::arg("description") = device.description,
                                   py::arg("serial") = device.serial, py::arg("pod") = device.isPod));
    return devices;
}

} // namespace

void InitSymbols(py::module_& m)
{
    py::class_<Symbol>(m, "Symbol", "A data symbol of the map.")
        .def_readonly("name", &Symbol::name, "Its name, or a member's or element's path.")
        .def_readonly("address", &Symbol::address, "Word address.")
        .def_readonly("size", &Symbol::size, "Size in 16-bit words.")
        .def_readonly("view", &Symbol::view, "The view type it is read with.")
        .def_readonly("type", &Symbol::type, "Its C type when an ELF gave one, else None.")
        .def_property_readonly("children", &Symbol::Children,
                               "Members, elements and bit fields (from an ELF), by path name.")
        .def("__repr__", [](const Symbol& s) { return "<Symbol " + s.name + ">"; },
             "__repr__(self)\n--\n\nThe symbol's name.");

    m.def(
        "symbols",
        [](const py::object& mapPath, const std::string& mcu, const py::object& elf) {
            monitor::WatchTarget options =
                WatchTargetFrom(PathText(mapPath), mcu, 38400, OptionalPathText(elf));
            monitor::SymbolTable table;
            std::vector<std::string> warnings;
            LoadTarget(options, table, warnings);
            WarnAll(warnings);
            const auto types = std::make_shared<const monitor::TypedSymbols>(std::move(options.types));
            std::vector<Symbol> symbols;
            for (int index : table.DisplayOrder()) {
                const monitor::SymbolEntry& entry = table.at(index);
                Symbol symbol{entry.name, entry.address, entry.size,
                              monitor::ViewTypeName(entry.viewType), std::nullopt, types, std::nullopt};
                if (const monitor::TypedRow* typed = types->RowOf(index)) {
                    symbol.row = *typed;
                    if (!typed->typeText.empty()) symbol.type = typed->typeText;
                }
                symbols.push_back(std::move(symbol));
            }
            return symbols;
        },
        py::arg("map_path"), py::arg("mcu") = "MC56F8367", py::arg("elf") = py::none(),
        "symbols(map_path, mcu='MC56F8367', elf=None)\n--\n\n"
        "The data symbols of a linker map (.xMAP) in name order, as quobin-cli symbols lists "
        "them; types when an ELF is given.");

    m.def("devices", &Devices, py::arg("simulate") = false, py::arg("driver") = py::none(),
          py::arg("sim") = py::none(),
          "devices(simulate=False, driver=None, sim=None)\n--\n\n"
          "Every FTDI device attached: index, description, serial, and whether it is the POD.");
}

} // namespace script
