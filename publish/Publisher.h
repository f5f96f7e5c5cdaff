#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
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
struct mosquitto_message;
struct mqtt5__property;

// A day of one pass a minute.
inline constexpr std::size_t kDefaultPassQueueBound = 24 * 60;

struct PublisherSettings {
  BrokerUrl broker;
  QString station;
  std::optional<QString> caFile;  // for mqtts; none trusts the system's CA store
  BrokerLogin login;
  std::size_t queueBound = kDefaultPassQueueBound;  // passes kept while the broker is away
  QStringList warnings;    // told once the publisher starts: what the options risk
  bool discovery = false;  // registers announced to Home Assistant
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
//   <prefix>/<station>/status       retained "online"; the broker's last will
//                                   turns it to "offline" when the bench vanishes
//   <prefix>/<station>/status/info  retained: the state, since when, the
//                                   program's version and this run's boot id
//   <prefix>/<station>/pass         one JSON object a pass, QoS 1, in order,
//                                   numbered ("seq") within this run ("boot")
//   <prefix>/<station>/<Register>   the register's latest state, retained
//
// Before it says "online" it reads the station's retained status: a station
// that another run keeps online is refused, and its status left alone.
//
// It speaks MQTT 5, where a broker that refuses a pass says so in its
// acknowledgement, and MQTT 3.1.1 with a broker that speaks no 5, where a
// refused pass cannot be seen.
//
// The caller never waits for the network: passes go into a bounded queue in
// memory, and a thread of the publisher's own drives the client library's
// loop, hands queued passes to the broker a few at a time, and reconnects
// after a loss. When the queue is full the oldest pass is dropped; the next
// pass to go out says how many were ("dropped").
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
  // accepted, another bench keeps the station online, or the client could
  // not be set up; then nothing runs. A broker that cannot be reached (yet)
  // is no error: passes wait for it.
  std::optional<QString> Start(std::chrono::milliseconds wait);

  // Queues one pass, numbered in turn, and sets each register's retained state.
  void PublishPass(QJsonObject pass, const std::vector<std::pair<QString, QJsonObject>>& latest);

  // Sends a retained message once the broker answers, and again after each
  // reconnection (Home Assistant's discovery, for instance).
  void Announce(const QByteArray& topic, const QByteArray& payload);

  // Gives the queued passes up to `forQueue` to reach the broker, sets the
  // status "offline" and disconnects. Returns the passes not delivered.
  std::size_t Finish(std::chrono::milliseconds forQueue);

  BrokerState State() const;
  const PublisherSettings& Settings() const { return settings_; }
  // This run's id, in every pass and in the status's info.
  const QString& Boot() const { return boot_; }
  // Passes the broker acknowledged with a refusal (MQTT 5 only).
  std::size_t Refused() const;
  // The topic of a leaf under this station: <prefix>/<station>/<leaf>.
  QByteArray Topic(const QString& leaf) const;
  // <prefix>/<station>
  QString StationTopic() const;

  // Passes handed to the broker at once, awaiting its acknowledgement.
  static constexpr std::size_t kPassesInFlight = 10;
  static constexpr std::chrono::milliseconds kOfflineWait{1000};

 private:
  enum class Outcome { None, Online, Rejected, Away };
  enum class Failure { None, Unreachable, LoginRefused, Tls, Protocol };

  std::optional<QString> Configure();
  void Run();
  void Stop();
  void CheckStationLocked();
  void StationCheckedLocked();
  void BecomeOnlineLocked();
  void ConnectionFailedLocked(int rc, int savedErrno);
  void FeedLocked();
  void PublishStatusLocked(const QByteArray& state, int* mid);
  void SetStateLocked(BrokerState state);
  void NoticeLocked(const QString& text);
  void NoticeDroppedLocked();
  Failure FailureOf(int rc) const;
  QString FailureText(int rc, int savedErrno) const;
  bool RefusalIsFinal(int code) const;

  static void OnConnect(mosquitto*, void* self, int code, int flags, const mqtt5__property*);
  static void OnDisconnect(mosquitto*, void* self, int rc, const mqtt5__property*);
  static void OnPublish(mosquitto*, void* self, int mid, int reason, const mqtt5__property*);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message,
                        const mqtt5__property*);
  static void OnUnsubscribe(mosquitto*, void* self, int mid, const mqtt5__property*);
  static void OnLog(mosquitto*, void* self, int level, const char* text);

  const PublisherSettings settings_;
  const Events events_;
  const QString boot_;
  QObject owner_;  // lives on the creating thread; events are posted to it
  mosquitto* client_ = nullptr;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QJsonObject> waiting_;          // passes not yet handed to the broker
  std::set<int> handedPasses_;               // message ids awaiting the broker's acknowledgement
  std::map<QByteArray, QByteArray> latest_;  // topic: payload, sent again on each connection
  std::map<QByteArray, QByteArray> announced_;
  BrokerState state_ = BrokerState::Connecting;
  Outcome startOutcome_ = Outcome::None;
  QString startError_;
  int protocol_ = 0;        // the MQTT version spoken
  bool connected_ = false;  // set once the library has sent what it had in flight again
  bool justConnected_ = false;
  bool stationChecked_ = false;
  std::optional<int> checkMid_;  // the station check's unsubscription, until answered
  bool checkAnswered_ = false;
  QByteArray stationStatus_;  // the station's retained status and its info, as found
  QJsonObject stationInfo_;
  int refusal_ = 0;  // the broker's answer to the last connect, when it refused
  Failure noticedFailure_ = Failure::None;  // the outage last told, until the broker is back
  std::size_t seq_ = 0;
  std::size_t dropped_ = 0;        // since the last notice
  std::size_t droppedUntold_ = 0;  // since the last pass handed over
  std::size_t refused_ = 0;
  bool passRefusalTold_ = false;
  bool statusRefusalTold_ = false;
  std::optional<int> offlineMid_;
  bool offlineAcknowledged_ = false;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point stopDeadline_;

  // Apart, since the library may log while the publisher holds its mutex.
  mutable std::mutex logMutex_;
  QString lastLibraryError_;
};
