#include "tests/kernel/usb/HidChip.h"

Report VendorReportDescriptor(const std::vector<ReportLayout>& reports) {
  Report descriptor = {
      0x06, 0x00, 0xFF,  // Usage Page (vendor defined 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        // Logical Minimum (0)
      0x26, 0xFF, 0x00,  // Logical Maximum (255)
      0x75, 0x08,        // Report Size (8 bits)
  };
  for (const ReportLayout& report : reports) {
    if (report.id != 0) descriptor.insert(descriptor.end(), {0x85, report.id});  // Report ID
    descriptor.insert(descriptor.end(), {
                                            0x95, report.size,  // Report Count
                                            0x09, 0x01,         // Usage (1)
                                            static_cast<std::uint8_t>(report.kind),
                                            0x02,  // (Data, Variable, Absolute)
                                        });
  }
  descriptor.push_back(0xC0);  // End Collection
  return descriptor;
}
