#include "publish/PublishOptionSet.h"

#include <QFile>
#include <QSysInfo>

namespace {

constexpr std::chrono::seconds kBrokerAnswerWait{5};

// Why the file cannot serve as the CA certificate; empty when it can.
QString CaFileError(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return QStringLiteral("the CA file %1 (--mqtt-ca) cannot be read: %2")
        .arg(path, file.errorString());
  }
  if (!file.readAll().contains("-----BEGIN CERTIFICATE-----")) {
    return QStringLiteral(
               "the CA file %1 (--mqtt-ca) holds no certificate: it takes PEM text "
               "(-----BEGIN CERTIFICATE-----)")
        .arg(path);
  }
  return {};
}

}  // namespace

PublishOptionSet::Reading PublishOptionSet::Read(const QCommandLineParser& parser) const {
  if (!parser.isSet(mqtt)) {
    for (const QCommandLineOption* option : {&station, &mqttCa, &mqttQueue, &mqttDiscovery}) {
      if (parser.isSet(*option)) {
        return {std::nullopt,
                QStringLiteral("--%1 needs --mqtt").arg(option->names().constFirst())};
      }
    }
    return {};
  }
  const BrokerUrlParse url = ParseBrokerUrl(parser.value(mqtt));
  if (!url.url) return {std::nullopt, url.error};
  PublisherSettings settings;
  settings.broker = *url.url;
  settings.station = parser.isSet(station) ? parser.value(station) : QSysInfo::machineHostName();
  if (const QString error = TopicLevelError(settings.station, settings.broker.prefix.isEmpty());
      !error.isEmpty()) {
    return {std::nullopt, error};
  }
  if (parser.isSet(mqttCa)) {
    if (!settings.broker.tls) {
      return {std::nullopt, QStringLiteral("--mqtt-ca needs an mqtts:// broker")};
    }
    settings.caFile = parser.value(mqttCa);
    if (const QString error = CaFileError(*settings.caFile); !error.isEmpty()) {
      return {std::nullopt, error};
    }
  }
  if (parser.isSet(mqttQueue)) {
    bool ok = false;
    settings.queueBound = parser.value(mqttQueue).toULongLong(&ok, 10);
    if (!ok || settings.queueBound == 0 || settings.queueBound > kLargestPassQueue) {
      return {std::nullopt,
              QStringLiteral("--mqtt-queue takes a whole number of passes from 1 to %1, not: %2")
                  .arg(kLargestPassQueue)
                  .arg(parser.value(mqttQueue))};
    }
  }
  settings.discovery = parser.isSet(mqttDiscovery);
  const BrokerLoginRead login = ReadBrokerLogin(settings.broker.user);
  if (!login.login) return {std::nullopt, login.error};
  settings.login = *login.login;
  settings.warnings = login.warnings;
  if (!settings.login.password.isEmpty() && !settings.broker.tls) {
    settings.warnings << QStringLiteral(
        "the password goes to the broker unencrypted over mqtt://, where anyone on the way can "
        "read it; mqtts:// encrypts it");
  }
  return {settings, {}};
}

PublisherStart StartPublisher(PublisherSettings settings, Publisher::Events events) {
  auto publisher = std::make_unique<Publisher>(std::move(settings), std::move(events));
  if (const std::optional<QString> error = publisher->Start(kBrokerAnswerWait)) {
    return {nullptr, *error};
  }
  return {std::move(publisher), {}};
}
