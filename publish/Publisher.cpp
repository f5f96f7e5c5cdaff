#include "publish/Publisher.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "publish/RegisterValues.h"

Q_LOGGING_CATEGORY(lcPublish, "pelmor.publish", QtInfoMsg)

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kKeepAliveSeconds = 30;
constexpr int kLoopWaitMs = 1000;
constexpr seconds kFirstRetry{1};
constexpr seconds kLongestRetry{5};
constexpr milliseconds kDisconnectWait{1000};
// The answers to a connect that ask to try again later, in 3.1.1 and in 5.
constexpr int kServerUnavailable311 = CONNACK_REFUSED_SERVER_UNAVAILABLE;
constexpr int kFirstFailureReason = 0x80;

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

QString Passes(std::size_t count) {
  return count == 1 ? QStringLiteral("1 pass") : QStringLiteral("%1 passes").arg(count);
}

// The library's reason without its closing full stop, and an OpenSSL error
// without its codes.
QString Reason(const char* text) {
  QString reason = QString::fromUtf8(text);
  if (reason.startsWith(QLatin1String("OpenSSL Error"))) {
    reason = reason.mid(reason.lastIndexOf(QLatin1Char(':')) + 1);
  }
  if (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
  return reason;
}

// OpenSSL's words for a peer that answered a TLS greeting with something
// else, or hung up on it: a listener without TLS. (A TLS listener that
// refuses a certificate says so with an alert.)
bool SaysPlainListener(const QString& error) {
  return error.contains(QLatin1String("wrong version number")) ||
         error.contains(QLatin1String("unexpected eof")) ||
         error.contains(QLatin1String("packet length too long")) ||
         error.contains(QLatin1String("record layer failure"));
}

int Publish(mosquitto* client, int* mid, const QByteArray& topic, const QByteArray& payload,
            int qos, bool retain) {
  return mosquitto_publish(client, mid, topic.constData(), static_cast<int>(payload.size()),
                           payload.constData(), qos, retain);
}

QByteArray Compact(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

Publisher::Publisher(PublisherSettings settings, Events events)
    : settings_(std::move(settings)),
      events_(std::move(events)),
      boot_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {
  mosquitto_lib_init();
}

Publisher::~Publisher() {
  if (thread_.joinable()) Finish(milliseconds(0));
  if (client_) mosquitto_destroy(client_);
  mosquitto_lib_cleanup();
}

std::optional<QString> Publisher::Start(milliseconds wait) {
  {
    const std::lock_guard lock(mutex_);
    for (const QString& warning : settings_.warnings) NoticeLocked(warning);
  }
  if (std::optional<QString> error = Configure()) {
    const std::lock_guard lock(mutex_);
    SetStateLocked(BrokerState::Finished);
    return error;
  }
  thread_ = std::thread([this] { Run(); });
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wait, [this] { return startOutcome_ != Outcome::None; });
  if (startOutcome_ != Outcome::Rejected) return std::nullopt;
  const QString error = startError_;
  lock.unlock();
  Stop();
  return error;
}

std::optional<QString> Publisher::Configure() {
  const QByteArray clientId =
      QStringLiteral("pelmor-%1-%2").arg(settings_.station).arg(::getpid()).toUtf8();
  client_ = mosquitto_new(clientId.constData(), true, this);
  if (!client_) {
    return QStringLiteral("the MQTT client could not be set up: %1").arg(strerror(errno));
  }
  protocol_ = MQTT_PROTOCOL_V5;
  mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, protocol_);
  mosquitto_threaded_set(client_, true);
  mosquitto_connect_v5_callback_set(client_, &Publisher::OnConnect);
  mosquitto_disconnect_v5_callback_set(client_, &Publisher::OnDisconnect);
  mosquitto_publish_v5_callback_set(client_, &Publisher::OnPublish);
  mosquitto_message_v5_callback_set(client_, &Publisher::OnMessage);
  mosquitto_unsubscribe_v5_callback_set(client_, &Publisher::OnUnsubscribe);
  mosquitto_log_callback_set(client_, &Publisher::OnLog);
  const QByteArray status = Topic(QStringLiteral("status"));
  mosquitto_will_set(client_, status.constData(), static_cast<int>(kOffline.size()),
                     kOffline.constData(), 1, true);
  if (!settings_.login.user.isEmpty()) {
    mosquitto_username_pw_set(
        client_, settings_.login.user.toUtf8().constData(),
        settings_.login.password.isEmpty() ? nullptr : settings_.login.password.constData());
  }
  if (!settings_.broker.tls) return std::nullopt;
  if (!settings_.caFile) {
    mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    return std::nullopt;
  }
  if (mosquitto_tls_set(client_, QFile::encodeName(*settings_.caFile).constData(), nullptr, nullptr,
                        nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
    return QStringLiteral("the CA file %1 cannot be used").arg(*settings_.caFile);
  }
  return std::nullopt;
}

// The publisher's thread: the library's loop, and a new connection after
// each loss, sooner at first and then every few seconds.
void Publisher::Run() {
  const QByteArray host = settings_.broker.host.toUtf8();
  qCDebug(lcPublish).noquote() << "connecting to" << settings_.broker.Place() << "as"
                               << settings_.station << "boot" << boot_;
  int rc =
      mosquitto_connect_async(client_, host.constData(), settings_.broker.port, kKeepAliveSeconds);
  seconds retry = kFirstRetry;
  for (;;) {
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop(client_, kLoopWaitMs, 1);
    const int savedErrno = errno;
    std::unique_lock lock(mutex_);
    if (justConnected_) {
      justConnected_ = false;
      retry = kFirstRetry;
      if (stationChecked_) {
        BecomeOnlineLocked();
      } else {
        CheckStationLocked();
      }
    }
    if (checkAnswered_) {
      checkAnswered_ = false;
      StationCheckedLocked();
    }
    if (stopping_ && (rc != MOSQ_ERR_SUCCESS || std::chrono::steady_clock::now() > stopDeadline_)) {
      return;
    }
    if (rc == MOSQ_ERR_SUCCESS) continue;
    // A 3.1.1 broker answers 5's connect with its own code for "unacceptable
    // protocol version".
    if ((refusal_ == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION ||
         refusal_ == CONNACK_REFUSED_PROTOCOL_VERSION) &&
        protocol_ == MQTT_PROTOCOL_V5) {
      refusal_ = 0;
      protocol_ = MQTT_PROTOCOL_V311;
      mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, protocol_);
      NoticeLocked(QStringLiteral("the broker at %1 speaks MQTT 3.1.1, not 5: a pass it refuses "
                                  "cannot be seen")
                       .arg(settings_.broker.Place()));
      lock.unlock();
      rc = mosquitto_reconnect_async(client_);
      continue;
    }
    ConnectionFailedLocked(rc, savedErrno);
    if (changed_.wait_for(lock, retry, [this] { return stopping_; })) return;
    lock.unlock();
    retry = std::min(retry * 2, kLongestRetry);
    rc = mosquitto_reconnect_async(client_);
  }
}

void Publisher::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    stopDeadline_ = std::chrono::steady_clock::now() + kDisconnectWait;
  }
  changed_.notify_all();
  mosquitto_disconnect(client_);
  thread_.join();
  const std::lock_guard lock(mutex_);
  connected_ = false;
  SetStateLocked(BrokerState::Finished);
}

// Reads the station's retained status: subscribing makes the broker send
// what it retains, and its answer to the unsubscription that follows comes
// after all of it.
void Publisher::CheckStationLocked() {
  const QByteArray status = Topic(QStringLiteral("status"));
  const QByteArray info = Topic(QStringLiteral("status/info"));
  char* topics[] = {const_cast<char*>(status.constData()), const_cast<char*>(info.constData())};
  int mid = 0;
  stationStatus_.clear();
  stationInfo_ = {};
  if (mosquitto_subscribe_multiple(client_, nullptr, 2, topics, 0, 0, nullptr) !=
          MOSQ_ERR_SUCCESS ||
      mosquitto_unsubscribe_multiple(client_, &mid, 2, topics, nullptr) != MOSQ_ERR_SUCCESS) {
    qCDebug(lcPublish) << "the station's status could not be asked for; publishing all the same";
    StationCheckedLocked();
    return;
  }
  checkMid_ = mid;
}

void Publisher::StationCheckedLocked() {
  checkMid_.reset();
  const QString owner = stationInfo_.value(QStringLiteral("boot")).toString();
  qCDebug(lcPublish).noquote() << "station" << settings_.station << "found"
                               << (stationStatus_.isEmpty() ? "without status" : stationStatus_)
                               << "boot" << (owner.isEmpty() ? QStringLiteral("unknown") : owner);
  if (stationStatus_ == kOnline && owner != boot_) {
    startError_ =
        QStringLiteral(
            "the station %1 is already online at the broker at %2 (%3): another bench "
            "publishes under that name; give this one its own with --station")
            .arg(settings_.station, settings_.broker.Place(),
                 owner.isEmpty()
                     ? QStringLiteral("boot unknown")
                     : QStringLiteral("pelmor %1 since %2, boot %3")
                           .arg(stationInfo_.value(QStringLiteral("version")).toString(),
                                stationInfo_.value(QStringLiteral("time")).toString(), owner));
    if (startOutcome_ == Outcome::None) startOutcome_ = Outcome::Rejected;
    SetStateLocked(BrokerState::Rejected);
    changed_.notify_all();
    return;
  }
  stationChecked_ = true;
  BecomeOnlineLocked();
}

// Called once the library has sent again what it had in flight, so that
// what follows keeps its order behind them.
void Publisher::BecomeOnlineLocked() {
  connected_ = true;
  if (startOutcome_ == Outcome::None) startOutcome_ = Outcome::Online;
  changed_.notify_all();
  qCDebug(lcPublish).noquote() << "online at" << settings_.broker.Place() << "in MQTT"
                               << (protocol_ == MQTT_PROTOCOL_V5 ? "5" : "3.1.1");
  PublishStatusLocked(kOnline, nullptr);
  for (const auto& [topic, payload] : announced_)
    Publish(client_, nullptr, topic, payload, 1, true);
  for (const auto& [topic, payload] : latest_) Publish(client_, nullptr, topic, payload, 0, true);
  if (noticedFailure_ != Failure::None) {
    NoticeLocked(
        QStringLiteral("the broker at %1 is back; sending the %2 that waited")
            .arg(settings_.broker.Place(), Passes(waiting_.size() + handedPasses_.size())));
    noticedFailure_ = Failure::None;
  }
  NoticeDroppedLocked();
  SetStateLocked(BrokerState::Online);
  FeedLocked();
}

void Publisher::PublishStatusLocked(const QByteArray& state, int* mid) {
  const QDateTime now = QDateTime::currentDateTime();
  const QJsonObject info{{QStringLiteral("state"), QString::fromLatin1(state)},
                         {QStringLiteral("time"), Rfc3339(now)},
                         {QStringLiteral("ts"), now.toMSecsSinceEpoch()},
                         {QStringLiteral("version"), QStringLiteral(PELMOR_VERSION)},
                         {QStringLiteral("boot"), boot_}};
  Publish(client_, nullptr, Topic(QStringLiteral("status/info")), Compact(info), 1, true);
  Publish(client_, mid, Topic(QStringLiteral("status")), state, 1, true);
}

bool Publisher::RefusalIsFinal(int code) const {
  if (code == 0) return false;
  return protocol_ == MQTT_PROTOCOL_V5
             ? code != MQTT_RC_SERVER_UNAVAILABLE && code != MQTT_RC_SERVER_BUSY
             : code != kServerUnavailable311;
}

void Publisher::ConnectionFailedLocked(int rc, int savedErrno) {
  connected_ = false;
  const bool rejected = rc == MOSQ_ERR_TLS || RefusalIsFinal(refusal_);
  const Failure failure = FailureOf(rc);
  const QString reason = FailureText(rc, savedErrno);
  refusal_ = 0;
  qCDebug(lcPublish).noquote() << "connection failed:" << reason;
  if (startOutcome_ == Outcome::None) {
    startOutcome_ = rejected ? Outcome::Rejected : Outcome::Away;
    startError_ = reason;
    changed_.notify_all();
  }
  SetStateLocked(rejected ? BrokerState::Rejected : BrokerState::Away);
  // Told once for each kind of failure while the broker stays away: a login
  // refused after the connection was lost is news, another lost connection not.
  if (failure == noticedFailure_ || startOutcome_ == Outcome::Rejected) return;
  const bool first = noticedFailure_ == Failure::None;
  noticedFailure_ = failure;
  NoticeLocked(first ? QStringLiteral("%1; passes wait in memory, up to %2, and go out when it "
                                      "answers")
                           .arg(reason, QString::number(settings_.queueBound))
                     : reason);
}

Publisher::Failure Publisher::FailureOf(int rc) const {
  if (RefusalIsFinal(refusal_)) return Failure::LoginRefused;
  if (rc == MOSQ_ERR_TLS) return Failure::Tls;
  if (rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_MALFORMED_PACKET) return Failure::Protocol;
  return Failure::Unreachable;
}

QString Publisher::FailureText(int rc, int savedErrno) const {
  const QString place = settings_.broker.Place();
  if (RefusalIsFinal(refusal_)) {
    return QStringLiteral("the broker at %1 refused the login: %2")
        .arg(place, Reason(protocol_ == MQTT_PROTOCOL_V5 ? mosquitto_reason_string(refusal_)
                                                         : mosquitto_connack_string(refusal_)));
  }
  if (rc == MOSQ_ERR_TLS) {
    const std::lock_guard lock(logMutex_);
    if (SaysPlainListener(lastLibraryError_)) {
      return QStringLiteral(
                 "the broker at %1 does not speak TLS on that port (%2): use "
                 "mqtt:// for a plain listener, or the port of its TLS listener")
          .arg(place, lastLibraryError_);
    }
    return QStringLiteral(
               "the TLS connection to the broker at %1 failed (%2); its certificate "
               "must name %3 and be signed by a trusted CA")
        .arg(place, lastLibraryError_, settings_.broker.host);
  }
  if (rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_MALFORMED_PACKET) {
    return QStringLiteral("the broker at %1 broke the MQTT protocol (%2)")
        .arg(place, Reason(mosquitto_strerror(rc)));
  }
  return QStringLiteral("the broker at %1 cannot be reached (%2)")
      .arg(place, Reason(rc == MOSQ_ERR_ERRNO ? strerror(savedErrno) : mosquitto_strerror(rc)));
}

void Publisher::PublishPass(QJsonObject pass,
                            const std::vector<std::pair<QString, QJsonObject>>& latest) {
  const std::lock_guard lock(mutex_);
  pass.insert(QStringLiteral("boot"), boot_);
  pass.insert(QStringLiteral("seq"), static_cast<qint64>(++seq_));
  waiting_.push_back(std::move(pass));
  if (waiting_.size() > settings_.queueBound) {
    waiting_.pop_front();
    ++dropped_;
    ++droppedUntold_;
  }
  for (const auto& [name, state] : latest) {
    const QByteArray topic = Topic(name);
    const QByteArray& payload = latest_[topic] = Compact(state);
    if (connected_) Publish(client_, nullptr, topic, payload, 0, true);
  }
  FeedLocked();
}

void Publisher::Announce(const QByteArray& topic, const QByteArray& payload) {
  const std::lock_guard lock(mutex_);
  announced_[topic] = payload;
  if (connected_) Publish(client_, nullptr, topic, payload, 1, true);
}

void Publisher::FeedLocked() {
  const QByteArray topic = Topic(QStringLiteral("pass"));
  while (connected_ && handedPasses_.size() < kPassesInFlight && !waiting_.empty()) {
    QJsonObject& pass = waiting_.front();
    pass.insert(QStringLiteral("dropped"), static_cast<qint64>(droppedUntold_));
    int mid = 0;
    const int rc = Publish(client_, &mid, topic, Compact(pass), 1, false);
    if (rc == MOSQ_ERR_SUCCESS) {
      handedPasses_.insert(mid);
      droppedUntold_ = 0;
    } else {
      NoticeLocked(
          QStringLiteral("a pass was not published: %1").arg(Reason(mosquitto_strerror(rc))));
    }
    waiting_.pop_front();
  }
}

std::size_t Publisher::Finish(milliseconds forQueue) {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) return waiting_.size();
  changed_.wait_for(lock, forQueue, [this] { return waiting_.empty() && handedPasses_.empty(); });
  const std::size_t undelivered = waiting_.size() + handedPasses_.size();
  if (connected_) {
    int mid = 0;
    PublishStatusLocked(kOffline, &mid);
    offlineMid_ = mid;
    changed_.wait_for(lock, kOfflineWait, [this] { return offlineAcknowledged_ || !connected_; });
  }
  NoticeDroppedLocked();
  if (undelivered > 0) {
    NoticeLocked(QStringLiteral("%1 did not reach the broker at %2 before the end")
                     .arg(Passes(undelivered), settings_.broker.Place()));
  }
  if (refused_ > 0) {
    NoticeLocked(QStringLiteral("%1 refused by the broker at %2 in all")
                     .arg(Passes(refused_), settings_.broker.Place()));
  }
  lock.unlock();
  Stop();
  QCoreApplication::sendPostedEvents(&owner_);
  return undelivered;
}

BrokerState Publisher::State() const {
  const std::lock_guard lock(mutex_);
  return state_;
}

std::size_t Publisher::Refused() const {
  const std::lock_guard lock(mutex_);
  return refused_;
}

void Publisher::SetStateLocked(BrokerState state) {
  if (state_ == state) return;
  state_ = state;
  if (!events_.stateChanged) return;
  QMetaObject::invokeMethod(
      &owner_, [changed = events_.stateChanged, state] { changed(state); }, Qt::QueuedConnection);
}

void Publisher::NoticeLocked(const QString& text) {
  if (!events_.notice) return;
  QMetaObject::invokeMethod(
      &owner_, [notice = events_.notice, text] { notice(text); }, Qt::QueuedConnection);
}

// Said once for each run of drops, when it ends.
void Publisher::NoticeDroppedLocked() {
  if (dropped_ == 0) return;
  NoticeLocked(
      QStringLiteral("%1 dropped, the oldest first, while the broker at %2 could not "
                     "take them: the queue holds %3")
          .arg(Passes(dropped_), settings_.broker.Place(), QString::number(settings_.queueBound)));
  dropped_ = 0;
}

QString Publisher::StationTopic() const {
  return settings_.broker.prefix.isEmpty()
             ? settings_.station
             : settings_.broker.prefix + QLatin1Char('/') + settings_.station;
}

QByteArray Publisher::Topic(const QString& leaf) const {
  return (StationTopic() + QLatin1Char('/') + leaf).toUtf8();
}

void Publisher::OnConnect(mosquitto*, void* self, int code, int, const mosquitto_property*) {
  auto* publisher = static_cast<Publisher*>(self);
  const std::lock_guard lock(publisher->mutex_);
  if (code == 0) {
    publisher->justConnected_ = true;
  } else {
    publisher->refusal_ = code;
  }
}

void Publisher::OnDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*) {
  auto* publisher = static_cast<Publisher*>(self);
  qCDebug(lcPublish).noquote() << "disconnected:" << Reason(mosquitto_strerror(rc));
  const std::lock_guard lock(publisher->mutex_);
  publisher->connected_ = false;
}

void Publisher::OnPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
  auto* publisher = static_cast<Publisher*>(self);
  {
    const std::lock_guard lock(publisher->mutex_);
    const bool pass = publisher->handedPasses_.erase(mid) > 0;
    // The first refusal of a pass, and of the status and announcements, is
    // told; passes are counted, and the count told at the end.
    if (reason >= kFirstFailureReason) {
      bool& told = pass ? publisher->passRefusalTold_ : publisher->statusRefusalTold_;
      if (pass) ++publisher->refused_;
      if (!told) {
        told = true;
        publisher->NoticeLocked(
            QStringLiteral("the broker at %1 refused %2: %3")
                .arg(publisher->settings_.broker.Place(),
                     pass ? QStringLiteral("a pass") : QStringLiteral("the station's status"),
                     Reason(mosquitto_reason_string(reason))));
      }
    }
    if (publisher->offlineMid_ == mid) publisher->offlineAcknowledged_ = true;
    publisher->FeedLocked();
  }
  publisher->changed_.notify_all();
}

void Publisher::OnMessage(mosquitto*, void* self, const mosquitto_message* message,
                          const mosquitto_property*) {
  auto* publisher = static_cast<Publisher*>(self);
  const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
  const std::lock_guard lock(publisher->mutex_);
  if (!publisher->checkMid_) return;
  if (publisher->Topic(QStringLiteral("status")) == message->topic) {
    publisher->stationStatus_ = payload;
  } else {
    publisher->stationInfo_ = QJsonDocument::fromJson(payload).object();
  }
}

void Publisher::OnUnsubscribe(mosquitto*, void* self, int mid, const mosquitto_property*) {
  auto* publisher = static_cast<Publisher*>(self);
  const std::lock_guard lock(publisher->mutex_);
  if (publisher->checkMid_ == mid) publisher->checkAnswered_ = true;
}

void Publisher::OnLog(mosquitto*, void* self, int level, const char* text) {
  if (level != MOSQ_LOG_ERR) return;
  qCDebug(lcPublish) << text;
  auto* publisher = static_cast<Publisher*>(self);
  const std::lock_guard lock(publisher->logMutex_);
  publisher->lastLibraryError_ = Reason(text);
}

QString BrokerStateText(BrokerState state) {
  switch (state) {
    case BrokerState::Connecting:
      return QStringLiteral("connecting");
    case BrokerState::Online:
      return QStringLiteral("online");
    case BrokerState::Away:
      return QStringLiteral("broker away, passes wait");
    case BrokerState::Rejected:
      return QStringLiteral("refused");
    case BrokerState::Finished:
      break;
  }
  return QStringLiteral("ended");
}
