#pragma once

#include <string>
#include <string_view>

namespace pod {

// What a support reader needs to know about the bytes of a trace, beyond the bytes.
// Each gives an empty text when it has nothing to add.

// A frame the host sent: the command's name and its fields by name, as hex digits as
// they travel ("program-page mode=01 region=02 address=000400 words=0100 sum=3FA2
// +256 data words").
std::string DescribeSentFrame(std::string_view bytes);

// A reply the POD sent: "reply OK", "reply OK, data 13" or "error reply 0B: words
// outside a region, or across a page"; a run that ends without its CR is marked as a short
// read.
std::string DescribeReply(std::string_view bytes);

} // namespace pod
