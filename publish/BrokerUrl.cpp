#include "publish/BrokerUrl.h"

#include <QUrl>

namespace {

constexpr int kMqttPort = 1883;
constexpr int kMqttsPort = 8883;

bool HasWildcard(const QString& text) {
  return text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('#'));
}

}  // namespace

QString BrokerUrl::Place() const {
  const QString shownHost = host.contains(QLatin1Char(':')) ? '[' + host + ']' : host;
  return QStringLiteral("%1:%2").arg(shownHost).arg(port);
}

BrokerUrlParse ParseBrokerUrl(const QString& text) {
  const QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme();
  if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")) ||
      url.host().isEmpty()) {
    return {std::nullopt, QStringLiteral("--mqtt takes mqtt://host[:port]/prefix or "
                                         "mqtts://host[:port]/prefix, not: %1")
                              .arg(text)};
  }
  if (!url.password().isEmpty()) {
    return {
        std::nullopt,
        QStringLiteral("A password on the command line can be read by every user of this "
                       "computer; name a file holding it in PELMOR_MQTT_PASSWORD_FILE instead.")};
  }
  if (url.hasQuery() || url.hasFragment()) {
    return {std::nullopt, QStringLiteral("--mqtt takes no query or fragment: %1").arg(text)};
  }
  BrokerUrl broker;
  broker.tls = scheme == QLatin1String("mqtts");
  broker.host = url.host();
  broker.port = url.port(broker.tls ? kMqttsPort : kMqttPort);
  broker.user = url.userName();
  broker.prefix = url.path();
  while (broker.prefix.startsWith(QLatin1Char('/'))) broker.prefix.remove(0, 1);
  while (broker.prefix.endsWith(QLatin1Char('/'))) broker.prefix.chop(1);
  if (HasWildcard(broker.prefix)) {
    return {std::nullopt,
            QStringLiteral("The topic prefix cannot hold + or #: %1").arg(broker.prefix)};
  }
  return {broker, {}};
}

QString TopicLevelError(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("The station needs a name.");
  if (HasWildcard(name) || name.contains(QLatin1Char('/'))) {
    return QStringLiteral("A station's name cannot hold /, + or #: %1").arg(name);
  }
  return {};
}
