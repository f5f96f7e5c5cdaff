#include "cli/HeadlessCommand.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "battery/RegisterNames.h"
#include "battery/ValueCodec.h"
#include "cli/HeadlessRequest.h"
#include "cli/HeadlessScan.h"
#include "cli/PassOutput.h"
#include "cli/StandardOutput.h"
#include "link/AddressList.h"
#include "link/ComPortDiscovery.h"
#include "link/LinkControl.h"
#include "link/StatusTexts.h"
#include "platform/ProgramLogging.h"
#include "publish/PassPublishing.h"
#include "publish/PublishOptionSet.h"
#include "scan/sequencer/ScanPolicy.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnInterruptSignal(int signal) {
  const auto byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Turns Ctrl+C (and a polite kill) into a call on the event loop, with the
// signal's number.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void(int)> onInterrupt) {
    if (::pipe(signalPipe) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [onInterrupt = std::move(onInterrupt)] {
                       char byte = 0;
                       if (::read(signalPipe[0], &byte, 1) == 1) onInterrupt(byte);
                     });
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  ~InterruptWatch() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    notifier_.reset();
    if (signalPipe[0] >= 0) {
      ::close(signalPipe[0]);
      ::close(signalPipe[1]);
      signalPipe[0] = signalPipe[1] = -1;
    }
  }

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

QTextStream& Err() {
  static QTextStream err(stderr);
  return err;
}

int LinkFailed(const QString& reason) {
  Err() << "pelmor: the adapter link could not be opened: " << reason << Qt::endl;
  return headless_exit::kNoLink;
}

// The adapter answered once, in this pass or an earlier one, and is gone now.
int LinkLost(const QString& reason) {
  Err() << "pelmor: the adapter was lost: " << reason << Qt::endl;
  return headless_exit::kLinkLost;
}

// The adapter would not reach the battery's address; with the i2c-dev
// library a warning above has named the kernel driver that holds it.
int AddressBusy(int addressEntry) {
  Err() << "pelmor: the adapter reports address " << address_list::EntryText(addressEntry)
        << " busy: " << EventStatusText(static_cast<std::uint16_t>(AdapterEvent::Busy)) << Qt::endl;
  return headless_exit::kNoLink;
}

// A job cut short by a signal ends with the status a shell gives a program
// that signal ended.
int Interrupted(int signal) {
  Err() << "pelmor: interrupted before the job was done" << Qt::endl;
  return headless_exit::kBySignal + signal;
}

// Standard output that cannot be written is a failure, said on standard
// error; a pipe whose reader went away ends the command quietly, as SIGPIPE
// would have ended it.
int OutputLost(const StandardOutput& out) {
  if (out.Error() == EPIPE) return headless_exit::kBySignal + SIGPIPE;
  Err() << "pelmor: cannot write the output: " << std::strerror(out.Error()) << Qt::endl;
  return headless_exit::kOutputFailed;
}

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

struct Job {
  const HeadlessRequest& request;
  HeadlessScan& scan;
  StandardOutput& out;
  const int& interruptSignal;  // 0 until a signal came
  Publisher* publisher;        // none without --mqtt
  QString comPortEntry;
};

// The pass as --format json prints it, with the bench's station, port and
// address, and each register's latest value.
void Publish(const Job& job, const HeadlessScan::Pass& pass) {
  const PassMessage message =
      MessageOf(pass.startTime, pass.rows, job.scan.Catalogue(),
                {job.request.publish->station, LinkControl::ComPortNumber(job.comPortEntry),
                 address_list::EntryText(job.request.addressEntry)});
  job.publisher->PublishPass(message.pass, message.latest);
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
    if (job.publisher) Publish(job, result);
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
      "what was written, or standard output could not be written";
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

bool IsHeadlessCommand(int argc, char** argv) {
  return argc > 1 && (std::strcmp(argv[1], "read") == 0 || std::strcmp(argv[1], "write") == 0);
}

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));

  StandardOutput out;
  const HeadlessParse parse = ParseHeadlessCommand(QCoreApplication::arguments());
  if (parse.helpAsked || parse.listAsked) {
    const QString text = parse.helpAsked
                             ? parse.usage + QLatin1Char('\n') + HeadlessExitStatusHelp()
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
  const Job job{request, scan, out, interruptSignal, publisher.get(), comPortEntry};
  if (request.write) return RunWrite(job);
  const int status = RunRead(job, wait);
  if (publisher) publisher->Finish(kQueueGrace);
  return status;
}
