#include "pod/PodErrorCodes.h"

namespace pod {

const char* PodErrorMeaning(int code)
{
    switch (code) {
    case 0x01:
        return "frame syntax (not ':' hex CR)";
    case 0x02:
        return "frame checksum wrong";
    case 0x03:
        return "unknown opcode";
    case 0x04:
        return "payload length does not fit the opcode";
    case 0x05:
        return "a field value outside its range";
    case 0x06:
        return "command out of order (connect, EONCE, loader first)";
    case 0x07:
        return "no target on the cable";
    case 0x08:
        return "target's JTAG ID is not the requested part";
    case 0x09:
        return "flash secured; unlock first";
    case 0x0A:
        return "flash routine is not the part's";
    case 0x0B:
        return "words outside a region, or across a page";
    case 0x0C:
        return "word checksum or count does not match the data";
    case 0x0D:
        return "flash or stored job differs from the data";
    case 0x0E:
        return "buffered chunk numbering or size wrong";
    case 0x0F:
        return "POD job store: header, block or sizes wrong";
    case 0x10:
        return "memory access outside the target's RAM";
    case 0x3E:
        return "error injected by the emulator, --sim-fault";
    default:
        return "unknown reason";
    }
}

} // namespace pod
