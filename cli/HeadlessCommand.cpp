#include "cli/HeadlessCommand.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <array>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>

#include "battery/RegisterNames.h"
#include "battery/ValueCodec.h"
#include "cli/CommandEndings.h"
#include "cli/HeadlessRequest.h"
#include "cli/HeadlessScan.h"
#include "cli/PassOutput.h"
#include "link/AddressList.h"
#include "link/ComPortDiscovery.h"
#include "link/LinkControl.h"
#include "link/StatusTexts.h"
#include "platform/InterruptWatch.h"
#include "platform/ProgramLogging.h"
#include "platform/ProgramOutput.h"
#include "publish/PassPublishing.h"
#include "publish/PublishOptionSet.h"
#include "scan/sequencer/ScanPolicy.h"

namespace {

void SayWhatDidNotFit(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  for (const RowRecord& row : pass.rows) {
    if (!row.replied || row.fit == ReplyFit::Complete) continue;
    const QString unit = catalogue.UnitClass(row.row);
    Err() << "pelmor: " << catalogue.RegisterName(row.row) << ": the reply was "
          << ReplyFitWords(row.fit) << " (" << ReplyFitDetail(unit, row.reply, row.length)
          << "); what came is shown" << Qt::endl;
  }
}

using Monotonic = std::chrono::steady_clock;

// Waits on the event loop until the given time of the monotonic clock, which
// no setting of the computer's clock moves, or until interrupted.
void WaitUntil(Monotonic::time_point due, const HeadlessScan& scan, QEventLoop& wait) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Monotonic::now());
  if (left.count() <= 0 || scan.Interrupted()) return;
  QTimer::singleShot(left, Qt::PreciseTimer, &wait, &QEventLoop::quit);
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
  const int& interruptSignal;  // 0 until a signal came
  PassPublishing* publishing;  // none without --mqtt
  QString comPortEntry;
  AdapterIdentity adapter;
};

// The pass with the bench's station, port, address and adapter.
void Publish(const Job& job, const HeadlessScan::Pass& pass) {
  job.publishing->Publish(
      pass.startTime, pass.rows,
      {job.request.publish->station, LinkControl::ComPortNumber(job.comPortEntry),
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
  Monotonic::time_point lastStart;
  while (request.count == 0 || passesDone < request.count) {
    if (passesDone > 0) {
      WaitUntil(lastStart + std::chrono::milliseconds(request.everyMs), job.scan, wait);
    }
    if (job.scan.Interrupted()) break;
    const Monotonic::time_point started = Monotonic::now();
    const HeadlessScan::Pass result = job.scan.Read(request.rows);
    if (!result.linkFailure.isEmpty()) {
      const bool lost = result.linkLost || passesDone > 0;
      return lost ? LinkLost(result.linkFailure) : LinkFailed(result.linkFailure);
    }
    if (result.addressBusy) return AddressBusy(request.addressEntry);
    if (result.interrupted) break;
    if (!StandardOut().Write(output.Render(result, job.scan.Catalogue()))) return OutputLost();
    if (job.publishing) Publish(job, result);
    SayWhatDidNotFit(result, job.scan.Catalogue());
    anyRowFailed = anyRowFailed || !result.AllRowsOk();
    lastStart = started;
    ++passesDone;
    // A refusal with nothing under way: no further pass would fare better.
    if (result.halted) return headless_exit::kRowFailed;
  }
  if (request.count != 0 && passesDone < request.count) return Interrupted(job.interruptSignal);
  return anyRowFailed ? headless_exit::kRowFailed : headless_exit::kAllRowsOk;
}

// The word a read-back brought, as a write sends it: low byte, high byte.
WriteWord ReplyWord(const ReplyBuffer& reply) {
  return {reply[0], reply[1]};
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

  if (!StandardOut().Write(PassOutput(OutputFormat::Text).Render(readBack, scan.Catalogue()))) {
    return OutputLost();
  }
  SayWhatDidNotFit(readBack, scan.Catalogue());
  bool anyRowFailed = false;
  for (std::size_t i = 0; i < request.writes.size(); ++i) {
    const auto& [row, typed] = request.writes[i];
    const QString name = scan.Catalogue().RegisterName(row);
    const QString unit = scan.Catalogue().UnitClass(row);
    if (!written.rows[i].ok) {
      const RowRecord& row = written.rows[i];
      Err() << "pelmor: " << name << " was not written: "
            << (row.reached ? row.text : QStringLiteral("the pass ended before it")) << Qt::endl;
      anyRowFailed = true;
    } else if (readBack.rows[i].ok &&
               ReplyWord(readBack.rows[i].reply) != EncodeWrite(unit, typed)) {
      Err() << "pelmor: " << name << " reads back " << readBack.rows[i].text
            << ", not what was written (" << typed << ")" << Qt::endl;
      anyRowFailed = true;
    }
    anyRowFailed = anyRowFailed || !readBack.rows[i].ok;
  }
  return anyRowFailed ? headless_exit::kRowFailed : headless_exit::kAllRowsOk;
}

// A count as the help text words it.
std::string CountWord(int count) {
  constexpr const char* kWords[] = {"no",  "one",   "two",   "three", "four", "five",
                                    "six", "seven", "eight", "nine",  "ten"};
  if (count >= 0 && count < static_cast<int>(std::size(kWords))) return kWords[count];
  return std::to_string(count);
}

}  // namespace

QString HeadlessExitStatusHelp() {
  const std::string rowFailed =
      "some row failed after its " + CountWord(ScanPolicy::CommandLine().attemptsPerRow) +
      " attempts (its fault word stands in place of its value), a value read back differs from "
      "what was written, a reply came cut short or over-long, standard output could not be "
      "written, or passes did not reach the broker or it refused them";
  const std::array statuses{
      ExitStatusMeaning{headless_exit::kAllRowsOk,
                        "the job was done: every row read or written, or repeated reads with no "
                        "count ended by SIGINT or SIGTERM"},
      ExitStatusMeaning{headless_exit::kRowFailed, rowFailed.c_str()},
      ExitStatusMeaning{headless_exit::kUsageError,
                        "a usage error (an unknown register or option, a register that cannot be "
                        "written, a text that is not exactly one value of its register): nothing "
                        "was sent to the bus"},
      ExitStatusMeaning{headless_exit::kNoLink,
                        "the adapter could not be opened, a kernel driver holds the battery's "
                        "address, or the broker refused the login or its certificate"},
      ExitStatusMeaning{headless_exit::kLinkLost,
                        "the adapter was lost (unplugged) after its link had opened"},
      ExitStatusMeaning{headless_exit::kBySignal + SIGINT,
                        "SIGINT (Ctrl+C) cut short a job that was not done"},
      ExitStatusMeaning{headless_exit::kBySignal + SIGPIPE,
                        "standard output is a pipe whose reader went away"},
      ExitStatusMeaning{headless_exit::kBySignal + SIGTERM,
                        "SIGTERM cut short a job that was not done"},
  };
  return ExitStatusHelp(statuses);
}

namespace {

int RunHeadless(int& argc, char** argv, const PlatformMaker& makePlatform) {
  SendMessagesToStandardError();
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));

  const HeadlessParse parse = ParseHeadlessCommand(QCoreApplication::arguments());
  if (parse.helpAsked || parse.listAsked) {
    const QString text = parse.helpAsked
                             ? parse.usage + QLatin1Char('\n') + HeadlessExitStatusHelp()
                             : RegisterListText();
    StandardOut().Write(text);
    return headless_exit::kAllRowsOk;
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
  const ComPortChoice port = ChooseComPort(request.comPortEntry, bundle.prober);
  if (!port.entry) return LinkFailed(port.hint);
  const QString comPortEntry = *port.entry;

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
                interruptSignal,
                publishing ? &*publishing : nullptr,
                comPortEntry,
                publisher ? AdapterBehind(bundle.probe, LinkControl::ComPortNumber(comPortEntry))
                          : AdapterIdentity{}};
  if (request.write) return RunWrite(job);
  const int status = RunRead(job, wait);
  return publisher ? AfterPublishing(status, *publisher) : status;
}

}  // namespace

bool IsHeadlessCommand(int argc, char** argv) {
  return argc > 1 && (std::strcmp(argv[1], "read") == 0 || std::strcmp(argv[1], "write") == 0);
}

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform) {
  return StatusAfterOutput(RunHeadless(argc, argv, makePlatform));
}
