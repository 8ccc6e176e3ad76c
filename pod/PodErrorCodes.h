#pragma once

namespace pod {

// Why the POD refused a command, by the two digits after '?' in its error reply, as its
// firmware documents them; "unknown reason" for any other code.
const char* PodErrorMeaning(int code);

} // namespace pod
