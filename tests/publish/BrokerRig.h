// A real broker (Debian's mosquitto) on a free local port, set up in a
// temporary folder, and mosquitto_sub as the subscriber. Both end with the test.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <vector>

inline int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(probe);
  return ntohs(address.sin_port);
}

// Runs the event loop until the condition holds, or false after a generous time.
inline bool WaitFor(const std::function<bool()>& condition, int ms = 30000) {
  const QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  return true;
}

// Starts a program that is killed when the test ends, however it ends.
inline void StartChild(QProcess& process, const QString& program, const QStringList& arguments) {
  process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
  process.start(program, arguments);
}

// Keeps its sessions on disk at each change, so that a broker killed and
// started again still holds a subscriber's session and what was queued for it.
class TestBroker {
 public:
  explicit TestBroker(const QString& settings = "allow_anonymous true") : port_(FreePort()) {
    QFile config(dir_.filePath("broker.conf"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("user root\npersistence true\npersistence_location %1/\n"
                                "autosave_interval 1\nautosave_on_changes true\n"
                                "listener %2 127.0.0.1\n%3\n")
                     .arg(dir_.path(), QString::number(port_), settings)
                     .toUtf8());
    config.close();
    Start();
  }
  ~TestBroker() { Signal(SIGKILL, true); }

  void Start() {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    StartChild(process_, "mosquitto", {"-c", dir_.filePath("broker.conf")});
    QByteArray log;
    EXPECT_TRUE(WaitFor([&] { return (log += process_.readAll()).contains(" running"); }));
  }
  void Signal(int signal, bool untilEnded = false) {
    if (process_.state() != QProcess::NotRunning) ::kill(pid_t(process_.processId()), signal);
    if (untilEnded) process_.waitForFinished();
  }
  int Port() const { return port_; }

 private:
  QTemporaryDir dir_;
  int port_;
  QProcess process_;
};

// Subscribes at QoS 1; with an id, in a session the broker keeps while the
// subscriber is away.
class TestSubscriber {
 public:
  TestSubscriber(int port, const QString& filter, const QString& session = {}) {
    const QStringList persistent{"-c", "-i", session};
    StartChild(process_, "stdbuf",
               QStringList{"-oL", "mosquitto_sub", "-p", QString::number(port), "-t", filter, "-q",
                           "1", "-v", "-d"} +
                   (session.isEmpty() ? QStringList() : persistent));
    EXPECT_TRUE(WaitFor([this] { return Read().contains("Subscribed"); }));
  }
  ~TestSubscriber() {
    process_.kill();
    process_.waitForFinished();
  }

  // The payloads that arrived on the topic, oldest first.
  std::vector<QByteArray> On(const QString& topic) {
    std::vector<QByteArray> payloads;
    for (const QByteArray& line : Read().split('\n')) {
      if (line.startsWith(topic.toUtf8() + ' ')) payloads.push_back(line.mid(topic.size() + 1));
    }
    return payloads;
  }
  QByteArray Last(const QString& topic) {
    const std::vector<QByteArray> payloads = On(topic);
    return payloads.empty() ? QByteArray() : payloads.back();
  }
  // The passes that arrived, each once, as long as each is later than the one
  // before: the broker may deliver a pass again.
  std::vector<QJsonObject> Passes(const QString& topic) {
    std::vector<QJsonObject> passes;
    for (const QByteArray& payload : On(topic)) {
      const QJsonObject pass = QJsonDocument::fromJson(payload).object();
      if (passes.empty() || pass["start"].toString() > passes.back()["start"].toString()) {
        passes.push_back(pass);
      }
    }
    return passes;
  }

 private:
  const QByteArray& Read() { return output_ += process_.readAllStandardOutput(); }

  QProcess process_;
  QByteArray output_;
};
