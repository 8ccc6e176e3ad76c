#include "tests/elf/SampleProgram.h"

namespace elf::test {

DebugInfo SampleProgram()
{
    DebugInfo p;
    const auto base = [&](const char* name, std::uint32_t size, BaseEncoding encoding) {
        Type t;
        t.kind = TypeKind::Base, t.name = name, t.byteSize = size, t.encoding = encoding;
        p.types.push_back(t);
        return static_cast<int>(p.types.size() - 1);
    };
    const auto add = [&](Type t) {
        p.types.push_back(std::move(t));
        return static_cast<int>(p.types.size() - 1);
    };
    const int s16 = base("short", 2, BaseEncoding::Signed);
    const int u16 = base("unsigned short", 2, BaseEncoding::Unsigned);
    const int f32 = base("float", 4, BaseEncoding::Float);
    const int u8 = base("unsigned char", 1, BaseEncoding::Unsigned);

    Type conv;
    conv.kind = TypeKind::Struct, conv.name = "tagPARAMCONVERSION", conv.byteSize = 8;
    conv.members = {{"gain", f32, 0}, {"offset", s16, 4}, {"RW", u16, 6, 15, 1, 2}, {"ADDR", u16, 6, 11, 4, 2}, {"DATA", u16, 6, 0, 11, 2}};
    const int convType = add(conv);
    Type text;
    text.kind = TypeKind::Array, text.count = 61, text.target = u8;
    const int textType = add(text);
    Type table;
    table.kind = TypeKind::Array, table.count = 1024, table.target = s16;
    const int tableType = add(table);
    Type mode;
    mode.kind = TypeKind::Enum, mode.name = "MODE", mode.byteSize = 2, mode.enumerators = {{"MODE_STOP", 0}, {"MODE_RUN", 3}};
    const int modeType = add(mode);
    Type frac;
    frac.kind = TypeKind::Typedef, frac.name = "Frac16", frac.target = s16;
    const int fracType = add(frac);
    Type pointer;
    pointer.kind = TypeKind::Pointer, pointer.byteSize = 2, pointer.target = convType, pointer.addressClass = 4;
    const int pointerType = add(pointer);
    Type loop;
    loop.kind = TypeKind::Typedef, loop.name = "LOOP", loop.target = static_cast<int>(p.types.size());
    const int loopType = add(loop);
    Type vol;
    vol.kind = TypeKind::Qualifier, vol.name = "volatile", vol.target = u16;
    const int volType = add(vol);
    const int u16int = base("unsigned int", 2, BaseEncoding::Unsigned);
    Type function;
    function.kind = TypeKind::Function, function.target = u16int;
    const int functionType = add(function);
    Type handler;
    handler.kind = TypeKind::Pointer, handler.byteSize = 4, handler.target = functionType;
    const int handlerType = add(handler);

    p.variables = {{"pConv", 0x100, convType},       {"name", 0x120, textType},
                   {"f16Calibration", 0x200, tableType}, {"mode", 0x1000, modeType},
                   {"f16Gain", 0x1002, fracType},    {"pLink", 0x1004, pointerType},
                   {"oddChar", 0x131, u8},           {"loopy", 0x1006, loopType},
                   {"stripped", 0x1008, -1},         {"status", 0x100A, volType},
                   {"onFault", 0x100C, handlerType}};
    return p;
}

} // namespace elf::test
