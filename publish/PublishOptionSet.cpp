#include "publish/PublishOptionSet.h"

#include <QProcessEnvironment>
#include <QSysInfo>

namespace {

constexpr std::chrono::seconds kBrokerAnswerWait{5};

}  // namespace

PublishOptionSet::Reading PublishOptionSet::Read(const QCommandLineParser& parser) const {
  if (!parser.isSet(mqtt)) {
    for (const QCommandLineOption* option : {&station, &mqttCa, &mqttQueue}) {
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
  if (const QString error = TopicLevelError(settings.station); !error.isEmpty()) {
    return {std::nullopt, error};
  }
  if (parser.isSet(mqttCa)) {
    if (!settings.broker.tls) {
      return {std::nullopt, QStringLiteral("--mqtt-ca needs an mqtts:// broker")};
    }
    settings.caFile = parser.value(mqttCa);
  }
  if (parser.isSet(mqttQueue)) {
    bool ok = false;
    settings.queueBound = parser.value(mqttQueue).toULongLong(&ok, 10);
    if (!ok || settings.queueBound == 0) {
      return {std::nullopt,
              QStringLiteral("--mqtt-queue takes a whole number of passes, 1 or more, not: %1")
                  .arg(parser.value(mqttQueue))};
    }
  }
  return {settings, {}};
}

PublisherStart StartPublisher(PublisherSettings settings, Publisher::Events events) {
  const BrokerLoginRead login =
      ReadBrokerLogin(settings.broker.user, QProcessEnvironment::systemEnvironment());
  if (!login.login) return {nullptr, login.error};
  settings.login = *login.login;
  auto publisher = std::make_unique<Publisher>(std::move(settings), std::move(events));
  if (const std::optional<QString> error = publisher->Start(kBrokerAnswerWait)) {
    return {nullptr, *error};
  }
  return {std::move(publisher), {}};
}
