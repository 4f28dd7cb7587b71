// The HID report-descriptor walk on arbitrary bytes: it never reads past the
// end (the sanitizers watch), and a Report ID found in a piece of the
// descriptor is still found in the whole of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "radio/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> whole(data, size);
    const bool numbered = UsesReportIds(whole);
    for (std::size_t cut = 0; cut < size; ++cut)
        if (UsesReportIds(whole.first(cut)) && !numbered) std::abort();
    return 0;
}
