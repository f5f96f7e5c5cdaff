#include "cli/HeadlessCommand.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "battery/RegisterNames.h"
#include "battery/ValueCodec.h"
#include "cli/CommandEndings.h"
#include "cli/HeadlessRequest.h"
#include "cli/HeadlessScan.h"
#include "cli/PassOutput.h"
#include "cli/StandardOutput.h"
#include "link/AddressList.h"
#include "link/ComPortDiscovery.h"
#include "link/StatusTexts.h"
#include "platform/InterruptWatch.h"
#include "platform/ProgramLogging.h"
#include "publish/PassPublishing.h"
#include "publish/PublishOptionSet.h"

namespace {

void SayWhatWasCutShort(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  for (const RowRecord& row : pass.rows) {
    if (!row.cutShort) continue;
    Err() << "pelmor: " << catalogue.RegisterName(row.row)
          << ": the adapter could not read the whole block; what it read is shown" << Qt::endl;
  }
}

// Waits on the event loop until the given time, or until interrupted.
void WaitUntil(const QDateTime& due, const HeadlessScan& scan, QEventLoop& wait) {
  const qint64 ms = QDateTime::currentDateTime().msecsTo(due);
  if (ms <= 0 || scan.Interrupted()) return;
  QTimer::singleShot(static_cast<int>(ms), &wait, &QEventLoop::quit);
  wait.exec();
}

constexpr std::chrono::seconds kQueueGrace{5};

// Passes that never reached the broker, or that it refused, are work not
// done: a read that did all else ends with the status of a failed row.
int AfterPublishing(int status, Publisher& publisher) {
  const std::size_t lost = publisher.Finish(kQueueGrace) + publisher.Refused();
  return lost > 0 && status == headless_exit::kAllRowsOk ? headless_exit::kPassesLost : status;
}

struct Job {
  const HeadlessRequest& request;
  HeadlessScan& scan;
  StandardOutput& out;
  const int& interruptSignal;  // 0 until a signal came
  PassPublishing* publishing;  // none without --mqtt
  QString comPortEntry;
  AdapterIdentity adapter;
};

// The pass with the bench's station, port, address and adapter.
void Publish(const Job& job, const HeadlessScan::Pass& pass) {
  job.publishing->Publish(pass.startTime, pass.rows,
                          {job.request.publish->station, job.comPortEntry.toInt(),
                           address_list::EntryText(job.request.addressEntry), job.adapter});
}

// The adapter behind the port, as the machine shows it.
AdapterIdentity AdapterBehind(BusProbe& probe, int port) {
  for (const ProbedAdapter& adapter : probe.Adapters()) {
    if (adapter.port != port) continue;
    return AdapterIdentityOf(QString::fromStdString(adapter.attachment),
                             QString::fromStdString(adapter.device),
                             QString::fromStdString(adapter.name));
  }
  return {};
}

// Passes until the count is reached; with no count, until interrupted, which
// is then the job's normal end.
int RunRead(const Job& job, QEventLoop& wait) {
  const HeadlessRequest& request = job.request;
  PassOutput output(request.format);
  bool anyRowFailed = false;
  int passesDone = 0;
  QDateTime lastStart;
  while (request.count == 0 || passesDone < request.count) {
    if (passesDone > 0) WaitUntil(lastStart.addMSecs(request.everyMs), job.scan, wait);
    if (job.scan.Interrupted()) break;
    const HeadlessScan::Pass result = job.scan.Read(request.rows);
    if (!result.linkFailure.isEmpty()) {
      const bool lost = result.linkLost || passesDone > 0;
      return lost ? LinkLost(result.linkFailure) : LinkFailed(result.linkFailure);
    }
    if (result.addressBusy) return AddressBusy(request.addressEntry);
    if (result.interrupted) break;
    if (!job.out.Write(output.Render(result, job.scan.Catalogue()))) return OutputLost(job.out);
    if (job.publishing) Publish(job, result);
    SayWhatWasCutShort(result, job.scan.Catalogue());
    anyRowFailed = anyRowFailed || !result.AllRowsOk();
    lastStart = result.startTime;
    ++passesDone;
    // A refusal with nothing under way: no further pass would fare better.
    if (result.halted) return headless_exit::kRowFailed;
  }
  if (request.count != 0 && passesDone < request.count) return Interrupted(job.interruptSignal);
  return anyRowFailed ? headless_exit::kRowFailed : headless_exit::kAllRowsOk;
}

int RunWrite(const Job& job) {
  const HeadlessRequest& request = job.request;
  HeadlessScan& scan = job.scan;
  const HeadlessScan::Pass written = scan.Write(request.writes);
  if (written.linkLost) return LinkLost(written.linkFailure);
  if (!written.linkFailure.isEmpty()) return LinkFailed(written.linkFailure);
  if (written.addressBusy) return AddressBusy(request.addressEntry);
  if (written.interrupted) return Interrupted(job.interruptSignal);
  const HeadlessScan::Pass readBack = scan.Read(request.rows);
  if (!readBack.linkFailure.isEmpty()) return LinkLost(readBack.linkFailure);
  if (readBack.addressBusy) return AddressBusy(request.addressEntry);
  if (readBack.interrupted) return Interrupted(job.interruptSignal);

  if (!job.out.Write(PassOutput(OutputFormat::Text).Render(readBack, scan.Catalogue()))) {
    return OutputLost(job.out);
  }
  bool anyRowFailed = false;
  for (std::size_t i = 0; i < request.writes.size(); ++i) {
    const auto& [row, typed] = request.writes[i];
    const QString name = scan.Catalogue().RegisterName(row);
    const QString unit = scan.Catalogue().UnitClass(row);
    if (!written.rows[i].ok) {
      Err() << "pelmor: " << name << " was not written: " << written.rows[i].text << Qt::endl;
      anyRowFailed = true;
    } else if (readBack.rows[i].ok &&
               EncodeWrite(unit, readBack.rows[i].text) != EncodeWrite(unit, typed)) {
      Err() << "pelmor: " << name << " reads back " << readBack.rows[i].text
            << ", not what was written (" << typed << ")" << Qt::endl;
      anyRowFailed = true;
    }
    anyRowFailed = anyRowFailed || !readBack.rows[i].ok;
  }
  return anyRowFailed ? headless_exit::kRowFailed : headless_exit::kAllRowsOk;
}

}  // namespace

bool IsHeadlessCommand(int argc, char** argv) {
  return argc > 1 && (std::strcmp(argv[1], "read") == 0 || std::strcmp(argv[1], "write") == 0);
}

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));

  StandardOutput out;
  const HeadlessParse parse = ParseHeadlessCommand(QCoreApplication::arguments());
  if (parse.helpAsked || parse.listAsked) {
    const QString text =
        parse.helpAsked ? parse.usage + QLatin1Char('\n') + ExitStatusHelp(kHeadlessExitStatuses)
                        : RegisterListText();
    return out.Write(text.toUtf8()) ? headless_exit::kAllRowsOk : OutputLost(out);
  }
  if (!parse.request) {
    Err() << "pelmor: " << parse.error << '\n' << parse.usage << Qt::flush;
    return headless_exit::kUsageError;
  }
  const HeadlessRequest& request = *parse.request;
  SetUpProgramLogging(request.platform.verbose);
  std::unique_ptr<Publisher> publisher;
  if (request.publish) {
    PublisherStart start =
        StartPublisher(*request.publish,
                       {{}, [](const QString& text) { Err() << "pelmor: " << text << Qt::endl; }});
    if (!start.publisher) {
      Err() << "pelmor: " << start.error << Qt::endl;
      return headless_exit::kNoBroker;
    }
    publisher = std::move(start.publisher);
  }

  const std::unique_ptr<Platform> platform = makePlatform(request.platform);
  const PlatformBundle bundle = platform->Bundle();
  QString comPortEntry;
  if (request.comPortEntry) {
    comPortEntry = *request.comPortEntry;
  } else {
    const ComPortListing listing = DiscoverComPorts(bundle.prober);
    if (!listing.selectedRow) return LinkFailed(listing.hint);
    comPortEntry = listing.entries[*listing.selectedRow];
  }

  HeadlessScan scan(bundle.adapter, {comPortEntry, request.addressEntry, request.extraRows});
  QEventLoop wait;
  int interruptSignal = 0;
  const InterruptWatch interrupts([&](int signal) {
    if (interruptSignal == 0) interruptSignal = signal;
    scan.Interrupt();
    wait.quit();
  });
  std::optional<PassPublishing> publishing;
  if (publisher) publishing.emplace(*publisher, scan.Catalogue());
  const Job job{request,
                scan,
                out,
                interruptSignal,
                publishing ? &*publishing : nullptr,
                comPortEntry,
                publisher ? AdapterBehind(bundle.probe, comPortEntry.toInt()) : AdapterIdentity{}};
  if (request.write) return RunWrite(job);
  const int status = RunRead(job, wait);
  return publisher ? AfterPublishing(status, *publisher) : status;
}
