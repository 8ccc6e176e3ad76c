#pragma once

#include "records/ProductionRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace records {

// Where production records go: a SQLite file on the station, or a line's PostgreSQL
// server. Every call may come from any unit's worker; implementations serialize them.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Stores the record whole or not at all (one transaction). Empty when stored, else
    // why not.
    virtual std::string Write(const ProductionRecord& record) = 0;

    // Takes `count` consecutive numbers of a series in one transaction, so two stations
    // never take the same one: from the series' next number, or from `first` when that
    // is higher (or the series is new). The first number taken, or none with the reason.
    virtual std::optional<std::uint64_t> TakeSerialNumbers(const std::string& series,
                                                           std::uint64_t first,
                                                           std::uint64_t count,
                                                           std::string& error) = 0;

    // The records the filter selects, oldest first; empty with the reason on failure.
    virtual std::vector<ProductionRecord> Find(const RecordFilter& filter, std::string& error) = 0;

    // Where the records went, for the user: "records.db", "postgresql://host/line".
    virtual std::string Where() const = 0;

    // Remarks on the writes so far that do not fail them (records kept in a spool), each
    // told once.
    virtual std::vector<std::string> TakeNotes() { return {}; }
};

} // namespace records
