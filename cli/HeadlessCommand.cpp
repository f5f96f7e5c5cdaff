#include "HeadlessCommand.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstring>

#include "AddressList.h"
#include "ComPortDiscovery.h"
#include "HeadlessRequest.h"
#include "HeadlessScan.h"
#include "PassOutput.h"
#include "ProgramLogging.h"
#include "Publisher.h"
#include "ValueCodec.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnInterruptSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Turns Ctrl+C (and a polite kill) into a call on the event loop.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void()> onInterrupt) {
    if (::pipe(signalPipe) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [onInterrupt = std::move(onInterrupt)] {
                       char byte;
                       [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
                       onInterrupt();
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

// Waits on the event loop until the given time, or until interrupted.
void WaitUntil(const QDateTime& due, const HeadlessScan& scan, QEventLoop& wait) {
  const qint64 ms = QDateTime::currentDateTime().msecsTo(due);
  if (ms <= 0 || scan.Interrupted()) return;
  QTimer::singleShot(static_cast<int>(ms), &wait, &QEventLoop::quit);
  wait.exec();
}

constexpr std::chrono::seconds kBrokerAnswerWait{5};
constexpr std::chrono::seconds kQueueGrace{5};

// A publisher that has its broker's answer, or none when the broker refused it.
std::unique_ptr<Publisher> StartPublisher(PublisherSettings settings) {
  const BrokerLoginRead login =
      ReadBrokerLogin(settings.broker.user, QProcessEnvironment::systemEnvironment());
  if (!login.login) {
    Err() << "pelmor: " << login.error << Qt::endl;
    return nullptr;
  }
  settings.login = *login.login;
  auto publisher = std::make_unique<Publisher>(
      std::move(settings),
      Publisher::Events{{}, [](const QString& text) { Err() << "pelmor: " << text << Qt::endl; }});
  if (const std::optional<QString> error = publisher->Start(kBrokerAnswerWait)) {
    Err() << "pelmor: " << *error << Qt::endl;
    return nullptr;
  }
  return publisher;
}

void Publish(Publisher& publisher, const HeadlessScan::Pass& pass, const HeadlessScan& scan,
             const HeadlessRequest& request, const QString& comPortEntry) {
  QJsonObject object = PassOutput::JsonObject(pass, scan.Catalogue());
  object.insert(QStringLiteral("station"), request.publish->station);
  object.insert(QStringLiteral("port"), comPortEntry.toInt());
  object.insert(QStringLiteral("address"), address_list::EntryText(request.addressEntry));
  std::vector<std::pair<QString, QJsonValue>> latest;
  for (const HeadlessScan::RowResult& row : pass.rows) {
    if (row.ok) latest.emplace_back(scan.Catalogue().RegisterName(row.row), row.text);
  }
  publisher.PublishPass(object, latest);
}

int RunRead(const HeadlessRequest& request, HeadlessScan& scan, QEventLoop& wait,
            Publisher* publisher, const QString& comPortEntry) {
  QTextStream out(stdout);
  PassOutput output(request.format, out);
  bool anyRowFailed = false;
  for (int pass = 1; request.count == 0 || pass <= request.count; ++pass) {
    const HeadlessScan::Pass result = scan.Read(request.rows);
    if (!result.linkFailure.isEmpty()) {
      const bool lost = result.linkLost || pass > 1;
      return lost ? LinkLost(result.linkFailure) : LinkFailed(result.linkFailure);
    }
    if (result.interrupted) break;
    output.Print(result, scan.Catalogue());
    if (publisher) Publish(*publisher, result, scan, request, comPortEntry);
    anyRowFailed = anyRowFailed || !result.AllRowsOk();
    if (result.halted) break;
    if (request.count != 0 && pass == request.count) break;
    WaitUntil(result.startTime.addMSecs(request.everyMs), scan, wait);
    if (scan.Interrupted()) break;
  }
  return anyRowFailed ? headless_exit::kRowFailed : headless_exit::kAllRowsOk;
}

int RunWrite(const HeadlessRequest& request, HeadlessScan& scan) {
  const HeadlessScan::Pass written = scan.Write(request.writes);
  if (written.linkLost) return LinkLost(written.linkFailure);
  if (!written.linkFailure.isEmpty()) return LinkFailed(written.linkFailure);
  if (written.interrupted) return headless_exit::kAllRowsOk;
  const HeadlessScan::Pass readBack = scan.Read(request.rows);
  if (!readBack.linkFailure.isEmpty()) return LinkLost(readBack.linkFailure);

  QTextStream out(stdout);
  PassOutput(OutputFormat::Text, out).Print(readBack, scan.Catalogue());
  bool anyRowFailed = readBack.interrupted;
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

  const HeadlessParse parse = ParseHeadlessCommand(QCoreApplication::arguments());
  if (parse.helpAsked) {
    QTextStream(stdout) << parse.usage << '\n' << ExitStatusHelp(kHeadlessExitStatuses);
    return headless_exit::kAllRowsOk;
  }
  if (parse.listAsked) {
    QTextStream(stdout) << RegisterListText();
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
    publisher = StartPublisher(*request.publish);
    if (!publisher) return headless_exit::kNoBroker;
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
  const InterruptWatch interrupts([&scan, &wait] {
    scan.Interrupt();
    wait.quit();
  });
  if (request.write) return RunWrite(request, scan);
  const int status = RunRead(request, scan, wait, publisher.get(), comPortEntry);
  if (publisher) publisher->Finish(kQueueGrace);
  return status;
}
