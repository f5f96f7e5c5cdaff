#include "publish/Publisher.h"

#include <mosquitto.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kKeepAliveSeconds = 30;
constexpr int kLoopWaitMs = 1000;
constexpr seconds kFirstRetry{1};
constexpr seconds kLongestRetry{5};
constexpr milliseconds kDisconnectWait{1000};
constexpr int kServerUnavailable = 3;  // the broker's answer that asks to try again later

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

// A register's latest value as a dashboard wants it: text bare, anything
// else as JSON.
QByteArray LatestPayload(const QJsonValue& value) {
  if (value.isString()) return value.toString().toUtf8();
  const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return wrapped.mid(1, wrapped.size() - 2);
}

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

int Publish(mosquitto* client, int* mid, const QByteArray& topic, const QByteArray& payload,
            int qos, bool retain) {
  return mosquitto_publish(client, mid, topic.constData(), static_cast<int>(payload.size()),
                           payload.constData(), qos, retain);
}

}  // namespace

Publisher::Publisher(PublisherSettings settings, Events events)
    : settings_(std::move(settings)), events_(std::move(events)) {
  mosquitto_lib_init();
}

Publisher::~Publisher() {
  if (thread_.joinable()) Finish(milliseconds(0));
  if (client_) mosquitto_destroy(client_);
  mosquitto_lib_cleanup();
}

std::optional<QString> Publisher::Start(milliseconds wait) {
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
  mosquitto_threaded_set(client_, true);
  mosquitto_connect_callback_set(client_, &Publisher::OnConnect);
  mosquitto_disconnect_callback_set(client_, &Publisher::OnDisconnect);
  mosquitto_publish_callback_set(client_, &Publisher::OnPublish);
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
    return QStringLiteral("the CA file %1 cannot be read").arg(*settings_.caFile);
  }
  return std::nullopt;
}

// The publisher's thread: the library's loop, and a new connection after
// each loss, sooner at first and then every few seconds.
void Publisher::Run() {
  const QByteArray host = settings_.broker.host.toUtf8();
  int rc =
      mosquitto_connect_async(client_, host.constData(), settings_.broker.port, kKeepAliveSeconds);
  seconds retry = kFirstRetry;
  for (;;) {
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop(client_, kLoopWaitMs, 1);
    const int savedErrno = errno;
    std::unique_lock lock(mutex_);
    if (justConnected_) {
      BecomeOnlineLocked();
      retry = kFirstRetry;
    }
    if (stopping_ && (rc != MOSQ_ERR_SUCCESS || std::chrono::steady_clock::now() > stopDeadline_)) {
      return;
    }
    if (rc == MOSQ_ERR_SUCCESS) continue;
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

// Called once the library has sent again what it had in flight, so that
// what follows keeps its order behind them.
void Publisher::BecomeOnlineLocked() {
  justConnected_ = false;
  connected_ = true;
  if (startOutcome_ == Outcome::None) startOutcome_ = Outcome::Online;
  changed_.notify_all();
  Publish(client_, nullptr, Topic(QStringLiteral("status")), kOnline, 1, true);
  for (const auto& [topic, payload] : latest_) Publish(client_, nullptr, topic, payload, 0, true);
  if (outageNoticed_) {
    NoticeLocked(
        QStringLiteral("the broker at %1 is back; sending the %2 that waited")
            .arg(settings_.broker.Place(), Passes(waiting_.size() + handedPasses_.size())));
    outageNoticed_ = false;
  }
  NoticeDroppedLocked();
  SetStateLocked(BrokerState::Online);
  FeedLocked();
}

void Publisher::ConnectionFailedLocked(int rc, int savedErrno) {
  connected_ = false;
  const bool rejected = rc == MOSQ_ERR_TLS || (refusal_ != 0 && refusal_ != kServerUnavailable);
  const QString reason = FailureText(rc, savedErrno);
  refusal_ = 0;
  if (startOutcome_ == Outcome::None) {
    startOutcome_ = rejected ? Outcome::Rejected : Outcome::Away;
    startError_ = reason;
    changed_.notify_all();
  }
  SetStateLocked(rejected ? BrokerState::Rejected : BrokerState::Away);
  if (outageNoticed_ || startOutcome_ == Outcome::Rejected) return;
  outageNoticed_ = true;
  NoticeLocked(QStringLiteral("%1; passes wait in memory, up to %2, and go out when it answers")
                   .arg(reason, QString::number(settings_.queueBound)));
}

QString Publisher::FailureText(int rc, int savedErrno) const {
  const QString place = settings_.broker.Place();
  if (refusal_ != 0 && refusal_ != kServerUnavailable) {
    return QStringLiteral("the broker at %1 refused the login: %2")
        .arg(place, Reason(mosquitto_connack_string(refusal_)));
  }
  if (rc == MOSQ_ERR_TLS) {
    const std::lock_guard lock(logMutex_);
    return QStringLiteral(
               "the TLS connection to the broker at %1 failed (%2); its certificate "
               "must name %3 and be signed by a trusted CA")
        .arg(place, lastLibraryError_, settings_.broker.host);
  }
  return QStringLiteral("the broker at %1 cannot be reached (%2)")
      .arg(place, Reason(rc == MOSQ_ERR_ERRNO ? strerror(savedErrno) : mosquitto_strerror(rc)));
}

void Publisher::PublishPass(const QJsonObject& pass,
                            const std::vector<std::pair<QString, QJsonValue>>& latest) {
  const QByteArray payload = QJsonDocument(pass).toJson(QJsonDocument::Compact);
  const std::lock_guard lock(mutex_);
  waiting_.push_back(payload);
  if (waiting_.size() > settings_.queueBound) {
    waiting_.pop_front();
    ++dropped_;
  }
  for (const auto& [name, value] : latest) {
    const QByteArray topic = Topic(name);
    const QByteArray& text = latest_[topic] = LatestPayload(value);
    if (connected_) Publish(client_, nullptr, topic, text, 0, true);
  }
  FeedLocked();
}

void Publisher::FeedLocked() {
  const QByteArray topic = Topic(QStringLiteral("pass"));
  while (connected_ && handedPasses_.size() < kPassesInFlight && !waiting_.empty()) {
    int mid = 0;
    const int rc = Publish(client_, &mid, topic, waiting_.front(), 1, false);
    if (rc == MOSQ_ERR_SUCCESS) {
      handedPasses_.insert(mid);
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
    if (Publish(client_, &mid, Topic(QStringLiteral("status")), kOffline, 1, true) ==
        MOSQ_ERR_SUCCESS) {
      offlineMid_ = mid;
      changed_.wait_for(lock, kOfflineWait, [this] { return offlineAcknowledged_ || !connected_; });
    }
  }
  NoticeDroppedLocked();
  if (undelivered > 0) {
    NoticeLocked(QStringLiteral("%1 did not reach the broker at %2 before the end")
                     .arg(Passes(undelivered), settings_.broker.Place()));
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

QByteArray Publisher::Topic(const QString& leaf) const {
  const QString station = settings_.station + QLatin1Char('/') + leaf;
  return (settings_.broker.prefix.isEmpty() ? station
                                            : settings_.broker.prefix + QLatin1Char('/') + station)
      .toUtf8();
}

void Publisher::OnConnect(mosquitto*, void* self, int code) {
  auto* publisher = static_cast<Publisher*>(self);
  const std::lock_guard lock(publisher->mutex_);
  if (code == 0) {
    publisher->justConnected_ = true;
  } else {
    publisher->refusal_ = code;
  }
}

void Publisher::OnDisconnect(mosquitto*, void* self, int) {
  auto* publisher = static_cast<Publisher*>(self);
  const std::lock_guard lock(publisher->mutex_);
  publisher->connected_ = false;
}

void Publisher::OnPublish(mosquitto*, void* self, int mid) {
  auto* publisher = static_cast<Publisher*>(self);
  {
    const std::lock_guard lock(publisher->mutex_);
    publisher->handedPasses_.erase(mid);
    if (publisher->offlineMid_ == mid) publisher->offlineAcknowledged_ = true;
    publisher->FeedLocked();
  }
  publisher->changed_.notify_all();
}

void Publisher::OnLog(mosquitto*, void* self, int level, const char* text) {
  if (level != MOSQ_LOG_ERR) return;
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
