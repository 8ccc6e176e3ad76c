#include "sim/PodFirmware.h"

#include <algorithm>

#include "sim/FrameCodec.h"
#include "sim/HexText.h"
#include "sim/SimCatalog.h"

namespace sim {

namespace {

// Opcodes of the command set.
constexpr std::uint32_t kGetVersion = 0x01; // reply ':' "01" major minor
constexpr std::uint32_t kResetTarget = 0x02;
constexpr std::uint32_t kPodWriteInfo = 0x11;   // job header
constexpr std::uint32_t kPodWriteLoader = 0x12; // job flash routine
constexpr std::uint32_t kPodWriteBlock = 0x13;  // job block of up to 264 words
constexpr std::uint32_t kConnectTarget = 0x20;
constexpr std::uint32_t kEnableOnce = 0x21; // reply ':' "21" state
constexpr std::uint32_t kUnlockFlash = 0x22;
constexpr std::uint32_t kTargetLoadLoader = 0x23;
constexpr std::uint32_t kEraseFlash = 0x24;
constexpr std::uint32_t kProgramPage = 0x25;
constexpr std::uint32_t kBufferChunk = 0x26;
constexpr std::uint32_t kProgramBuffered = 0x27;
constexpr std::uint32_t kReleaseTarget = 0x28;
constexpr std::uint32_t kSetMonitorBaud = 0x50;
constexpr std::uint32_t kReadMemory = 0x51; // reply ':' "51" value
constexpr std::uint32_t kWriteMemory = 0x52;

constexpr std::size_t kPlainReply = 6;
constexpr std::uint32_t kMonitorBaudEntries = 5; // 9600 .. 115200
constexpr std::uint32_t kMaxJobBlockBytes = 528;

bool ValidResetDelay(std::uint32_t ms)
{
    return ms == 1 || ms == 10 || ms == 50 || ms == 100 || ms == 500;
}

// Reads the fixed-width fields of one payload; any short or non-hex field fails it.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view payload) : m_payload(payload), m_pos(2) {}

    std::uint32_t Take(int digits)
    {
        std::uint32_t value = 0;
        if (m_ok && !ReadHexField(m_payload, m_pos, digits, value)) {
            m_ok = false;
        }
        return value;
    }
    std::vector<std::uint16_t> TakeWords(std::uint32_t count)
    {
        std::vector<std::uint16_t> words;
        if (!m_ok || m_payload.size() - m_pos != static_cast<std::size_t>(count) * 4) {
            m_ok = false;
            return words;
        }
        words.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            words.push_back(static_cast<std::uint16_t>(Take(4)));
        }
        return words;
    }
    // All fields read and nothing left over.
    bool Complete() const { return m_ok && m_pos == m_payload.size(); }

private:
    std::string_view m_payload;
    std::size_t m_pos;
    bool m_ok = true;
};

std::string Ack(std::uint32_t opcode, std::string_view data = {})
{
    std::string payload;
    AppendHex(payload, opcode, 2);
    payload.append(data);
    return FormatReplyFrame(payload);
}

// Whether the target RAM holds an access of this width: a long is two words.
bool RamHolds(const TargetRam& ram, std::uint32_t address, std::uint32_t width)
{
    return ram.Contains(address) && (width != 3 || ram.Contains(address + 1));
}
} // namespace

std::size_t PodFirmware::ReplyLengthFor(std::string_view payload)
{
    std::size_t pos = 0;
    std::uint32_t opcode = 0;
    if (!ReadHexField(payload, pos, 2, opcode)) {
        return kPlainReply;
    }
    if (opcode == kGetVersion || opcode == kEnableOnce) {
        return 8;
    }
    std::uint32_t width = 0;
    if (opcode == kReadMemory && ReadHexField(payload, pos, 2, width) && width <= 3) {
        static constexpr std::size_t kLengths[] = {8, 8, 10, 14};
        return kLengths[width];
    }
    return kPlainReply;
}

PodFirmware::PodFirmware(const SimOptions& options)
    : m_mcu(options.mcu), m_secured(options.secured), m_noTarget(options.noTarget),
      m_versionMajor(options.versionMajor), m_versionMinor(options.versionMinor),
      m_currentType(options.mcu)
{
}

void PodFirmware::SetVersion(int major, int minor)
{
    m_versionMajor = major;
    m_versionMinor = minor;
}

void PodFirmware::SetCurrentType(int type)
{
    m_currentType = type;
}

int PodFirmware::EffectiveType() const
{
    return m_currentType >= 0 ? m_currentType : kPartBeforeConnect;
}

TargetBoard* PodFirmware::TargetFor(int type, std::uint64_t nowUs)
{
    auto it = m_targets.find(type);
    if (it != m_targets.end()) {
        return it->second.get();
    }
    std::optional<SimPart> part = PartFor(type);
    if (!part) {
        return nullptr;
    }
    auto target = std::make_unique<TargetBoard>(*part, m_secured);
    target->program.Start(target->ram, nowUs);
    TargetBoard* raw = target.get();
    m_targets.emplace(type, std::move(target));
    return raw;
}

const TargetBoard* PodFirmware::ExistingTarget(int type) const
{
    auto it = m_targets.find(type);
    return it == m_targets.end() ? nullptr : it->second.get();
}

struct PodFirmware::Request {
    Request(std::string_view payload, std::uint64_t now) : fields(payload), nowUs(now) {}

    FieldCursor fields;
    std::uint64_t nowUs;
    TargetBoard* target = nullptr;
    std::string data; // what follows the opcode in a data reply
};

const PodFirmware::Command* PodFirmware::CommandFor(std::uint32_t opcode)
{
    static constexpr Command kCommands[] = {
        {kGetVersion, Needs::kNothing, &PodFirmware::GetVersion},
        {kResetTarget, Needs::kBoard, &PodFirmware::ResetTarget},
        {kPodWriteInfo, Needs::kNothing, &PodFirmware::PodWriteInfo},
        {kPodWriteLoader, Needs::kNothing, &PodFirmware::PodWriteLoader},
        {kPodWriteBlock, Needs::kNothing, &PodFirmware::PodWriteBlock},
        {kConnectTarget, Needs::kCable, &PodFirmware::ConnectTarget},
        {kEnableOnce, Needs::kBoard, &PodFirmware::EnableOnce},
        {kUnlockFlash, Needs::kBoard, &PodFirmware::UnlockFlash},
        {kTargetLoadLoader, Needs::kBoard, &PodFirmware::TargetLoadLoader},
        {kEraseFlash, Needs::kBoard, &PodFirmware::EraseFlash},
        {kProgramPage, Needs::kBoard, &PodFirmware::ProgramPage},
        {kBufferChunk, Needs::kBoard, &PodFirmware::BufferChunk},
        {kProgramBuffered, Needs::kBoard, &PodFirmware::ProgramBuffered},
        {kReleaseTarget, Needs::kBoard, &PodFirmware::ReleaseTarget},
        {kSetMonitorBaud, Needs::kNothing, &PodFirmware::SetMonitorBaud},
        {kReadMemory, Needs::kBoard, &PodFirmware::ReadMemory},
        {kWriteMemory, Needs::kBoard, &PodFirmware::WriteMemory},
    };
    for (const Command& command : kCommands) {
        if (command.opcode == opcode) {
            return &command;
        }
    }
    return nullptr;
}

std::string PodFirmware::Execute(std::string_view payload, std::uint64_t nowUs)
{
    std::uint32_t opcode = 0;
    std::size_t pos = 0;
    ReadHexField(payload, pos, 2, opcode);
    Request request(payload, nowUs);
    m_lastError = Dispatch(opcode, request);
    if (m_lastError != PodError::kNone) {
        return FormatErrorFrame(static_cast<unsigned>(m_lastError), ReplyLengthFor(payload));
    }
    return Ack(opcode, request.data);
}

PodError PodFirmware::Dispatch(std::uint32_t opcode, Request& request)
{
    const Command* command = CommandFor(opcode);
    if (command == nullptr) {
        return PodError::kUnknownOpcode;
    }
    // With no chip on the cable every target command fails before its fields are read.
    if (command->needs != Needs::kNothing && m_noTarget) {
        return PodError::kNoTarget;
    }
    if (command->needs == Needs::kBoard) {
        request.target = TargetFor(EffectiveType(), request.nowUs);
        if (request.target == nullptr) {
            return PodError::kNoTarget;
        }
    }
    return (this->*command->handler)(request);
}

PodError PodFirmware::GetVersion(Request& request)
{
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    AppendHex(request.data, static_cast<std::uint32_t>(m_versionMajor), 1);
    AppendHex(request.data, static_cast<std::uint32_t>(m_versionMinor), 1);
    return PodError::kNone;
}

PodError PodFirmware::PodWriteInfo(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t mode = fields.Take(2);
    PodJobHeader h;
    h.mcuType = fields.Take(2);
    h.constant = fields.Take(2);
    h.resetAfter = fields.Take(2);
    h.resetPolarity = fields.Take(2);
    h.resetDelay = fields.Take(4);
    h.loaderLength = fields.Take(4);
    h.counts[0] = fields.Take(4);
    h.counts[1] = fields.Take(4);
    h.counts[2] = fields.Take(6);
    h.counts[3] = fields.Take(6);
    if (!fields.Complete()) {
        return PodError::kLength;
    }
    std::optional<SimPart> part = PartFor(static_cast<int>(h.mcuType));
    if (!part || mode > 2 || h.constant != 4 || h.resetAfter > 1 || h.resetPolarity > 1 ||
        !ValidResetDelay(h.resetDelay) || h.loaderLength != part->loader.size()) {
        return PodError::kField;
    }
    for (std::size_t r = 0; r < static_cast<std::size_t>(kRegionCount); ++r) {
        if (h.counts[r] > part->regions[r].Words()) {
            return PodError::kField;
        }
    }
    return m_job.WriteInfo(mode, h);
}

PodError PodFirmware::PodWriteLoader(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t mode = fields.Take(2);
    const std::uint32_t count = fields.Take(4);
    const std::vector<std::uint16_t> words = fields.TakeWords(count);
    if (!fields.Complete()) {
        return PodError::kLength;
    }
    std::optional<SimPart> part =
        m_job.HasHeader() ? PartFor(static_cast<int>(m_job.Header().mcuType)) : std::nullopt;
    if (part && !std::equal(words.begin(), words.end(), part->loader.begin(), part->loader.end())) {
        return PodError::kLoader;
    }
    return m_job.WriteLoader(mode, words);
}

PodError PodFirmware::PodWriteBlock(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t mode = fields.Take(2);
    const std::uint32_t block = fields.Take(4);
    const std::uint32_t bytes = fields.Take(4);
    if (bytes % 2 != 0 || bytes > kMaxJobBlockBytes) {
        return fields.Complete() ? PodError::kField : PodError::kLength;
    }
    const std::vector<std::uint16_t> words = fields.TakeWords(bytes / 2);
    if (!fields.Complete()) {
        return PodError::kLength;
    }
    return m_job.WriteBlock(mode, block, words);
}

PodError PodFirmware::SetMonitorBaud(Request& request)
{
    const std::uint32_t index = request.fields.Take(2);
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    if (index >= kMonitorBaudEntries) {
        return PodError::kField;
    }
    m_monitorBaud = index;
    return PodError::kNone;
}

PodError PodFirmware::ConnectTarget(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t type = fields.Take(2);
    const std::uint32_t connectMode = fields.Take(2);
    const std::uint32_t polarity = fields.Take(2);
    const std::uint32_t delay = fields.Take(4);
    if (!fields.Complete()) {
        return PodError::kLength;
    }
    // ConnectMode 1 drives the 56800 parts only; 4 serves the 56800E parts and the
    // target reset of any part.
    if (!PartFor(static_cast<int>(type)) || (connectMode != 1 && connectMode != 4) ||
        (connectMode == 1 && type > 6) || polarity > 1 || !ValidResetDelay(delay)) {
        return PodError::kField;
    }
    if (m_mcu >= 0 && static_cast<int>(type) != m_mcu) {
        return PodError::kTargetId; // the JTAG ID read back is another part's
    }
    // Only one chip is on the cable: connecting to another type replaces it.
    if (ExistingTarget(EffectiveType()) != nullptr && EffectiveType() != static_cast<int>(type)) {
        m_targets.erase(EffectiveType());
    }
    m_currentType = static_cast<int>(type);
    return TargetFor(m_currentType, request.nowUs)->chip.Connect(static_cast<int>(connectMode));
}

PodError PodFirmware::ResetTarget(Request& request)
{
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    if (!request.target->chip.Connected()) {
        return PodError::kOrder;
    }
    request.target->program.Start(request.target->ram, request.nowUs);
    return PodError::kNone;
}

PodError PodFirmware::EnableOnce(Request& request)
{
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    std::uint8_t state = 0;
    const PodError error = request.target->chip.EnableOnce(state);
    if (error == PodError::kNone) {
        AppendHex(request.data, state, 2);
    }
    return error;
}

PodError PodFirmware::UnlockFlash(Request& request)
{
    return request.fields.Complete() ? request.target->chip.Unlock() : PodError::kLength;
}

PodError PodFirmware::TargetLoadLoader(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t count = fields.Take(4);
    const std::vector<std::uint16_t> words = fields.TakeWords(count);
    return fields.Complete() ? request.target->chip.LoadLoader(words) : PodError::kLength;
}

PodError PodFirmware::EraseFlash(Request& request)
{
    const std::uint32_t mask = request.fields.Take(2);
    return request.fields.Complete() ? request.target->chip.Erase(mask) : PodError::kLength;
}

PodError PodFirmware::ProgramPage(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t mode = fields.Take(2);
    const std::uint32_t region = fields.Take(2);
    const std::uint32_t start = fields.Take(6);
    const std::uint32_t count = fields.Take(4);
    const std::uint32_t sum = fields.Take(4);
    const std::vector<std::uint16_t> words = fields.TakeWords(count);
    return fields.Complete() ? request.target->chip.ProgramPage(mode, region, start, words, sum)
                             : PodError::kLength;
}

PodError PodFirmware::BufferChunk(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t index = fields.Take(2);
    const std::uint32_t count = fields.Take(4);
    const std::vector<std::uint16_t> words = fields.TakeWords(count);
    return fields.Complete() ? request.target->chip.BufferChunk(index, words) : PodError::kLength;
}

PodError PodFirmware::ProgramBuffered(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t mode = fields.Take(2);
    const std::uint32_t region = fields.Take(2);
    const std::uint32_t start = fields.Take(6);
    const std::uint32_t count = fields.Take(4);
    const std::uint32_t sum = fields.Take(4);
    return fields.Complete() ? request.target->chip.ProgramBuffered(mode, region, start, count, sum)
                             : PodError::kLength;
}

PodError PodFirmware::ReleaseTarget(Request& request)
{
    const std::uint32_t reset = request.fields.Take(2);
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    if (reset > 1) {
        return PodError::kField;
    }
    TargetBoard& target = *request.target;
    const PodError error = target.chip.Release();
    if (error == PodError::kNone && reset == 1) {
        target.program.Start(target.ram, request.nowUs);
    }
    return error;
}

PodError PodFirmware::ReadMemory(Request& request)
{
    const std::uint32_t width = request.fields.Take(2);
    const std::uint32_t address = request.fields.Take(6);
    if (!request.fields.Complete()) {
        return PodError::kLength;
    }
    if (width > 3) {
        return PodError::kField;
    }
    TargetBoard& target = *request.target;
    if (!RamHolds(target.ram, address, width)) {
        return PodError::kAddress;
    }
    target.program.Advance(target.ram, request.nowUs);
    const std::uint16_t word = target.ram.Read(address);
    switch (width) {
    case 0:
        AppendHex(request.data, word & 0xFFu, 2);
        break;
    case 1:
        AppendHex(request.data, word >> 8, 2);
        break;
    case 2:
        AppendHex(request.data, word, 4);
        break;
    default:
        AppendHex(request.data, target.ram.ReadLong(address), 8);
        break;
    }
    return PodError::kNone;
}

PodError PodFirmware::WriteMemory(Request& request)
{
    FieldCursor& fields = request.fields;
    const std::uint32_t width = fields.Take(2);
    const std::uint32_t address = fields.Take(6);
    if (width > 3) {
        return fields.Complete() ? PodError::kField : PodError::kLength;
    }
    static constexpr int kDigits[] = {2, 2, 4, 8};
    const std::uint32_t value = fields.Take(kDigits[width]);
    if (!fields.Complete()) {
        return PodError::kLength;
    }
    TargetBoard& target = *request.target;
    if (!RamHolds(target.ram, address, width)) {
        return PodError::kAddress;
    }
    target.program.Advance(target.ram, request.nowUs);
    const std::uint16_t word = target.ram.Read(address);
    switch (width) {
    case 0:
        target.ram.Write(address, static_cast<std::uint16_t>((word & 0xFF00u) | value));
        break;
    case 1:
        target.ram.Write(address, static_cast<std::uint16_t>((word & 0x00FFu) | (value << 8)));
        break;
    case 2:
        target.ram.Write(address, static_cast<std::uint16_t>(value));
        break;
    default:
        target.ram.WriteLong(address, value);
        break;
    }
    target.program.Advance(target.ram, request.nowUs);
    return PodError::kNone;
}

} // namespace sim
