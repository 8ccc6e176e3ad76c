#pragma once

namespace sim {

// Why the firmware refused a command; sent as the two digits after '?' in an error
// reply. The host only looks at the first byte; the code is for logs and tests.
enum class PodError : unsigned {
    kNone = 0x00,
    kFrame = 0x01,          // not ':' hex CR, or lower-case / non-hex characters
    kChecksum = 0x02,       // frame checksum wrong
    kUnknownOpcode = 0x03,
    kLength = 0x04,         // payload longer or shorter than the opcode's fields
    kField = 0x05,          // a field value outside its range
    kOrder = 0x06,          // no connect / no EONCE / no loader before this command
    kNoTarget = 0x07,
    kTargetId = 0x08,       // JTAG ID of the attached chip is not the requested type
    kSecured = 0x09,        // flash secured, unlock first
    kLoader = 0x0A,         // flash routine is not the part's image
    kRange = 0x0B,          // words outside a region, or across a page
    kWordSum = 0x0C,        // word checksum or count does not match the data
    kCompare = 0x0D,        // flash or stored job differs from the data
    kChunk = 0x0E,          // buffered chunk numbering or size wrong
    kJob = 0x0F,            // POD job store: no header, wrong block, mismatch of sizes
    kAddress = 0x10,        // memory access outside the target's RAM windows
    kInjected = 0x3E,       // an error reply requested by a --sim-fault
};

}  // namespace sim
