// Measures the pacing of `pelmor read --emulated --every 1` of all 33
// registers: the time between the starts of consecutive passes, without
// publishing, publishing to a broker (Debian's mosquitto, started here on a
// free local port), and publishing to a broker that is down. Prints each
// run's mean, shortest and longest interval, and how far each mean lies from
// the one without publishing.
//
// Usage: publish_pacing_benchmark [passes]   (default 20)
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

struct Pacing {
  double meanMs = 0;
  double shortestMs = 0;
  double longestMs = 0;
};

int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(probe);
  return ntohs(address.sin_port);
}

bool StartBroker(QProcess& broker, const QTemporaryDir& dir, int port) {
  const QString config = dir.filePath(QStringLiteral("broker.conf"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port).toUtf8());
  file.close();
  broker.setProcessChannelMode(QProcess::MergedChannels);
  broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
  QByteArray log;
  while (!log.contains(" running") && broker.waitForReadyRead(10000)) log += broker.readAll();
  return log.contains(" running");
}

Pacing Run(const QStringList& publishing, int passes) {
  QProcess pelmor;
  pelmor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  pelmor.start(QStringLiteral(PELMOR_EXECUTABLE),
               QStringList{"read", "--emulated", "--every", "1", "--count", QString::number(passes),
                           "--format", "json"} +
                   publishing);
  pelmor.waitForFinished(passes * 1000 + 60000);
  std::vector<QDateTime> starts;
  for (const QByteArray& line : pelmor.readAllStandardOutput().split('\n')) {
    const QJsonObject pass = QJsonDocument::fromJson(line).object();
    if (!pass.isEmpty()) {
      starts.push_back(QDateTime::fromString(pass["start"].toString(), Qt::ISODateWithMs));
    }
  }
  std::vector<double> intervals;
  for (std::size_t i = 1; i < starts.size(); ++i) {
    intervals.push_back(static_cast<double>(starts[i - 1].msecsTo(starts[i])));
  }
  if (intervals.empty()) return {};
  return {std::accumulate(intervals.begin(), intervals.end(), 0.0) /
              static_cast<double>(intervals.size()),
          *std::min_element(intervals.begin(), intervals.end()),
          *std::max_element(intervals.begin(), intervals.end())};
}

void Print(const char* what, const Pacing& pacing, const Pacing& without) {
  std::printf("%-20s %10.2f ms %8.0f ms %8.0f ms %+14.3f %%\n", what, pacing.meanMs,
              pacing.shortestMs, pacing.longestMs,
              100.0 * (pacing.meanMs - without.meanMs) / without.meanMs);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int passes = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
  const QTemporaryDir dir;
  const int port = FreePort();
  QProcess broker;
  if (!StartBroker(broker, dir, port)) {
    std::fprintf(stderr, "mosquitto did not start on port %d\n", port);
    return 1;
  }
  const auto publishTo = [](int at) {
    return QStringList{"--station", "bench", "--mqtt",
                       QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(at)};
  };

  const Pacing without = Run({}, passes);
  const Pacing publishing = Run(publishTo(port), passes);
  const Pacing brokerDown = Run(publishTo(FreePort()), passes);
  broker.kill();
  broker.waitForFinished();

  std::printf("passes a run %d, every 1 s\n", passes);
  std::printf("%-20s %13s %11s %11s %16s\n", "", "mean", "shortest", "longest", "mean vs without");
  Print("without publishing", without, without);
  Print("publishing", publishing, without);
  Print("broker down", brokerDown, without);
  return 0;
}
