#include "HidReportDescriptor.h"

namespace {

constexpr std::uint8_t LongItemPrefix = 0xFE;
// A short item's prefix without its size bits: global item Report ID.
constexpr std::uint8_t ReportIdItem = 0x84;

} // namespace

bool UsesReportIds(std::span<const std::uint8_t> descriptor)
{
    const std::size_t size = descriptor.size();
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t prefix = descriptor[i];
        if (prefix == LongItemPrefix) {
            // Long item: prefix, data size, tag, then the data.
            if (i + 1 >= size) return false;
            i += 3 + descriptor[i + 1];
            continue;
        }
        const std::size_t dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (i + 1 + dataSize > size) return false;
        // Without a value the id would be 0, which numbers nothing.
        if ((prefix & 0xFC) == ReportIdItem && dataSize > 0) return true;
        i += 1 + dataSize;
    }
    return false;
}
