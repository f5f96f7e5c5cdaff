// A real broker (Debian's mosquitto) on a free local port, set up in a
// temporary folder, and a subscriber that records what reaches it.
#pragma once

#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <mutex>
#include <vector>

inline int FreePort() {
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

// Keeps its sessions on disk at each change, so that a broker killed and
// started again still holds a subscriber's session and what was queued for it.
class TestBroker {
 public:
  explicit TestBroker(const QString& settings = QStringLiteral("allow_anonymous true"))
      : port_(FreePort()) {
    QFile config(Path("broker.conf"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("user root\npersistence true\npersistence_location %1/\n"
                                "autosave_interval 1\nautosave_on_changes true\n"
                                "listener %2 127.0.0.1\n%3\n")
                     .arg(dir_.path())
                     .arg(port_)
                     .arg(settings)
                     .toUtf8());
    config.close();
    Start();
  }
  ~TestBroker() { Stop(SIGKILL); }

  void Start() {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A test that dies leaves no broker behind.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), Path("broker.conf")});
    QByteArray log;
    EXPECT_TRUE(WaitFor([&] {
      process_.waitForReadyRead(100);
      log += process_.readAll();
      return log.contains(" running");
    })) << log.toStdString();
  }
  void Signal(int signal) {
    if (process_.state() != QProcess::NotRunning) {
      ::kill(static_cast<pid_t>(process_.processId()), signal);
    }
  }
  void Stop(int signal) {
    Signal(signal);
    process_.waitForFinished();
  }
  int Port() const { return port_; }
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

 private:
  QTemporaryDir dir_;
  int port_;
  QProcess process_;
};

// Subscribes at QoS 1; with an id, in a session the broker keeps while it is away.
class TestSubscriber {
 public:
  TestSubscriber(int port, const char* filter, const char* sessionId = nullptr) : filter_(filter) {
    client_ = mosquitto_new(sessionId, sessionId == nullptr, this);
    mosquitto_connect_callback_set(client_, [](mosquitto* client, void* self, int) {
      mosquitto_subscribe(client, nullptr, static_cast<TestSubscriber*>(self)->filter_, 1);
    });
    mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
      static_cast<TestSubscriber*>(self)->subscribed_ = true;
    });
    mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
      auto* subscriber = static_cast<TestSubscriber*>(self);
      const std::lock_guard lock(subscriber->mutex_);
      subscriber->received_.emplace_back(
          m->topic, QByteArray(static_cast<const char*>(m->payload), m->payloadlen));
    });
    mosquitto_connect(client_, "127.0.0.1", port, 30);
    mosquitto_loop_start(client_);
    EXPECT_TRUE(WaitFor([this] { return subscribed_.load(); }));
  }
  ~TestSubscriber() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
  }

  // What arrived on the topic, oldest first.
  std::vector<QByteArray> On(const QString& topic) const {
    const std::lock_guard lock(mutex_);
    std::vector<QByteArray> payloads;
    for (const auto& [where, payload] : received_) {
      if (where == topic) payloads.push_back(payload);
    }
    return payloads;
  }
  // The passes that arrived, each once: the broker may deliver one again.
  std::vector<QJsonObject> Passes(const QString& topic) const {
    std::vector<QJsonObject> passes;
    for (const QByteArray& payload : On(topic)) {
      const QJsonObject pass = QJsonDocument::fromJson(payload).object();
      if (passes.empty() || pass[QStringLiteral("start")].toString() >
                                passes.back()[QStringLiteral("start")].toString()) {
        passes.push_back(pass);
      }
    }
    return passes;
  }
  QByteArray Last(const QString& topic) const {
    const std::vector<QByteArray> payloads = On(topic);
    return payloads.empty() ? QByteArray() : payloads.back();
  }

 private:
  const char* filter_;
  mosquitto* client_;
  std::atomic<bool> subscribed_{false};
  mutable std::mutex mutex_;
  std::vector<std::pair<QString, QByteArray>> received_;
};
