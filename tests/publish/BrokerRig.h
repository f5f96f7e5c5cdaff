// A real broker (Debian's mosquitto) on a free local port, set up in a
// temporary folder, and mosquitto_sub as the subscriber. Both end with the test.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
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
#include <atomic>
#include <csignal>
#include <functional>
#include <thread>
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

// Stands in front of a broker as a broker that speaks only MQTT 3.1.1 would:
// a connect in any later version is answered "unacceptable protocol version"
// (3.1.1's own answer) and the connection closed; other connections are
// passed through to the broker behind, byte for byte.
class OldBrokerFront {
 public:
  explicit OldBrokerFront(int brokerPort) : brokerPort_(brokerPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener_, 4);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OldBrokerFront() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    thread_.join();
  }
  int Port() const { return port_; }
  int RefusedConnects() const { return refused_; }

 private:
  void Serve() {
    for (;;) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      char head[64];
      const ssize_t got = ::recv(client, head, sizeof head, 0);
      // Fixed header, remaining length (a byte, or more with the top bit
      // set), then the protocol name "MQTT" and its level.
      int level = 1;
      while (level < got && (head[level] & 0x80)) ++level;
      level += 7;
      if (got > level && head[level] != 4) {
        const char refusal[] = {0x20, 0x02, 0x00, 0x01};
        ::send(client, refusal, sizeof refusal, MSG_NOSIGNAL);
        ++refused_;
        ::close(client);
        continue;
      }
      const int broker = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address{AF_INET, htons(uint16_t(brokerPort_)), {htonl(INADDR_LOOPBACK)}, {}};
      ::connect(broker, reinterpret_cast<sockaddr*>(&address), sizeof address);
      if (got > 0) ::send(broker, head, size_t(got), MSG_NOSIGNAL);
      std::thread([client, broker] { Pipe(client, broker); }).detach();
    }
  }
  static void Pipe(int a, int b) {
    pollfd fds[] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
    char buffer[4096];
    while (::poll(fds, 2, -1) > 0) {
      for (int i = 0; i < 2; ++i) {
        if (!fds[i].revents) continue;
        const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
        if (n <= 0 || ::send(fds[1 - i].fd, buffer, size_t(n), MSG_NOSIGNAL) != n) {
          ::close(a);
          ::close(b);
          return;
        }
      }
    }
  }

  int brokerPort_;
  int listener_;
  int port_ = 0;
  std::atomic<int> refused_{0};
  std::thread thread_;
};
