#pragma once

#include <QEventLoop>
#include <QString>
#include <optional>

#include "cli/HeadlessScan.h"
#include "platform/ProgramOutput.h"
#include "report/PackReport.h"

// What a report run works with: the scan on the bus, standard output, the
// loop it waits on (Ctrl+C quits it), the signal that came (0 until one
// did), the battery's address, and where and by what the packs are read.
struct ReportContext {
  HeadlessScan& scan;
  OutputStream& out;
  QEventLoop& wait;
  const int& interruptSignal;
  int addressEntry;
  ReportOrigin origin;  // its time is each pass's own
};

// The exit status of a pass that ended the job (the link failed or was lost,
// the address is busy, a signal came, the adapter refused), said on standard
// error; none for a pass that read what it could.
std::optional<int> ReadEnding(const HeadlessScan::Pass& pass, const ReportContext& context);

struct EachPackSettings {
  QString folder;
  VerdictLimits limits;
};

// Triage: waits on the bus and reports every pack not seen before in this
// run (by maker, device and serial number) once, into the folder as
// <maker>-<device>-<serial>-<date>.pdf and .json, with one line on standard
// output: serial number, verdict, main reason. A pack that goes away during
// its read gets no files and is read again when it answers. Runs until
// interrupted (or the adapter fails), then prints how many packs passed,
// were checked and failed.
int RunEachPack(const ReportContext& context, const EachPackSettings& settings);
