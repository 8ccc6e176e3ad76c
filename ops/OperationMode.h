#pragma once

#include <cstdint>

namespace ops {

// The six flash operations of the programmer, in the order the POD firmware numbers
// its program modes: for the target operations the mode is the ProgramMode itself,
// for the POD operations it is the ProgramMode plus 3.
enum class OperationMode : std::uint8_t {
    TargetVerify = 0,
    TargetWrite = 1,
    TargetWriteVerify = 2,
    PodVerify = 3,
    PodWrite = 4,
    PodWriteVerify = 5,
};

inline bool IsTargetOperation(OperationMode mode)
{
    return static_cast<int>(mode) <= 2;
}

// 0 verify, 1 write, 2 write and verify: what the POD is told to do.
inline std::uint8_t ProgramModeFor(OperationMode mode)
{
    const int m = static_cast<int>(mode);
    return static_cast<std::uint8_t>(m <= 2 ? m : m - 3);
}

// Message id shown (with the elapsed time) when the operation succeeds.
inline int SuccessMessageFor(OperationMode mode)
{
    constexpr int ids[] = {121, 120, 119, 124, 123, 122};
    return ids[static_cast<int>(mode)];
}

} // namespace ops
