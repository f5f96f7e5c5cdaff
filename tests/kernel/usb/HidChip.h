#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Report = std::vector<std::uint8_t>;

// A USB HID chip as its host driver sees it: a report descriptor, feature
// reports through the control endpoint, output reports from the interrupt OUT
// endpoint answered by input reports on the interrupt IN endpoint. Numbered
// reports carry their report ID as the first byte.
class HidChip {
 public:
  virtual ~HidChip() = default;
  virtual Report ReportDescriptor() const = 0;
  // GET_REPORT of a feature report; nothing for a report the chip lacks.
  virtual std::optional<Report> GetFeature(std::uint8_t reportId) = 0;
  // SET_REPORT of a feature report; false for a report the chip lacks.
  virtual bool SetFeature(const Report& report) = 0;
  // The input reports that answer an output report, in order.
  virtual std::vector<Report> Output(const Report& report) = 0;
  // Whether this feature report tells the outcome of the output report sent
  // before it (a status): it is then answered only once that one is handled.
  virtual bool FollowsOutput(std::uint8_t /*reportId*/) const { return false; }
  // When the input reports that answer the last output report go out: a chip
  // that sends its answer once the transfer has left the wire tells when.
  virtual std::chrono::steady_clock::time_point InputDue() const { return {}; }
};

// Reports in a vendor-defined application collection, each a run of bytes.
struct ReportLayout {
  enum class Kind : std::uint8_t { Input = 0x81, Output = 0x91, Feature = 0xB1 };
  std::uint8_t id;  // 0: the one unnumbered report of its kind
  Kind kind;
  std::uint8_t size;  // bytes after the report ID
};
Report VendorReportDescriptor(const std::vector<ReportLayout>& reports);
