#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "publish/BrokerLogin.h"
#include "publish/BrokerUrl.h"

struct mosquitto;

// A day of one pass a minute.
inline constexpr std::size_t kDefaultPassQueueBound = 24 * 60;

struct PublisherSettings {
  BrokerUrl broker;
  QString station;
  std::optional<QString> caFile;  // for mqtts; none trusts the system's CA store
  BrokerLogin login;
  std::size_t queueBound = kDefaultPassQueueBound;  // passes kept while the broker is away
};

enum class BrokerState {
  Connecting,  // not yet answered
  Online,      // passes go out as they come
  Away,        // cannot be reached: passes wait, and the connection is tried again
  Rejected,    // the login or the certificate was refused; tried again all the same
  Finished,
};

// The state in a word or two, for a window's title: "online", "away", ...
QString BrokerStateText(BrokerState state);

// Publishes the passes of one station (one bench) to an MQTT broker:
//   <prefix>/<station>/status      retained "online"; the broker's last will
//                                  turns it to "offline" when the bench vanishes
//   <prefix>/<station>/pass        one JSON object a pass, QoS 1, in order
//   <prefix>/<station>/<Register>  the register's latest value, retained
//
// The caller never waits for the network: passes go into a bounded queue in
// memory, and a thread of the publisher's own drives the client library's
// loop, hands queued passes to the broker a few at a time, and reconnects
// after a loss. When the queue is full the oldest pass is dropped.
//
// The library's own thread (mosquitto_loop_start) would give up for good
// after a TLS or name lookup error, and a socket notifier on the caller's
// event loop would run the library's blocking name lookups and TLS set-up on
// the scan's thread; hence a thread that runs the library's loop and never
// gives up until told to.
//
// The events are delivered on the thread that created the publisher, through
// its event loop.
class Publisher {
 public:
  struct Events {
    std::function<void(BrokerState)> stateChanged;
    std::function<void(const QString&)> notice;  // a sentence for the person, without "pelmor: "
  };

  Publisher(PublisherSettings settings, Events events);
  ~Publisher();
  Publisher(const Publisher&) = delete;
  Publisher& operator=(const Publisher&) = delete;

  // Connects, and waits up to `wait` for the broker's answer. Returns why it
  // cannot publish: the broker refused the login, its certificate was not
  // accepted, or the client could not be set up; then nothing runs. A broker
  // that cannot be reached (yet) is no error: passes wait for it.
  std::optional<QString> Start(std::chrono::milliseconds wait);

  // Queues one pass and sets each register's latest value.
  void PublishPass(const QJsonObject& pass,
                   const std::vector<std::pair<QString, QJsonValue>>& latest);

  // Gives the queued passes up to `forQueue` to reach the broker, sets the
  // status "offline" and disconnects. Returns the passes not delivered.
  std::size_t Finish(std::chrono::milliseconds forQueue);

  BrokerState State() const;

  // Passes handed to the broker at once, awaiting its acknowledgement.
  static constexpr std::size_t kPassesInFlight = 10;
  static constexpr std::chrono::milliseconds kOfflineWait{1000};

 private:
  enum class Outcome { None, Online, Rejected, Away };

  std::optional<QString> Configure();
  void Run();
  void Stop();
  void BecomeOnlineLocked();
  void ConnectionFailedLocked(int rc, int savedErrno);
  void FeedLocked();
  void SetStateLocked(BrokerState state);
  void NoticeLocked(const QString& text);
  void NoticeDroppedLocked();
  QString FailureText(int rc, int savedErrno) const;
  QByteArray Topic(const QString& leaf) const;

  static void OnConnect(mosquitto*, void* self, int code);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  static void OnLog(mosquitto*, void* self, int level, const char* text);

  const PublisherSettings settings_;
  const Events events_;
  QObject owner_;  // lives on the creating thread; events are posted to it
  mosquitto* client_ = nullptr;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QByteArray> waiting_;           // passes not yet handed to the broker
  std::set<int> handedPasses_;               // message ids awaiting the broker's acknowledgement
  std::map<QByteArray, QByteArray> latest_;  // topic: payload
  BrokerState state_ = BrokerState::Connecting;
  Outcome startOutcome_ = Outcome::None;
  QString startError_;
  bool connected_ = false;  // set once the library has sent what it had in flight again
  bool justConnected_ = false;
  int refusal_ = 0;  // the broker's answer to the last connect, when it refused
  bool outageNoticed_ = false;
  std::size_t dropped_ = 0;
  std::optional<int> offlineMid_;
  bool offlineAcknowledged_ = false;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point stopDeadline_;

  // Apart, since the library may log while the publisher holds its mutex.
  mutable std::mutex logMutex_;
  QString lastLibraryError_;
};
