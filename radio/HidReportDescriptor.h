#pragma once

#include <cstdint>
#include <span>

// Whether a HID report descriptor declares numbered reports: it holds a
// Report ID item. hidraw puts the id in front of such a device's input
// reports only, so the reader must know. A malformed or cut-off descriptor
// counts only the Report ID items that lie wholly inside it.
bool UsesReportIds(std::span<const std::uint8_t> descriptor);
