#include "publish/BrokerUrl.h"

#include <QStringDecoder>
#include <QUrl>
#include <algorithm>

namespace {

constexpr int kMqttPort = 1883;
constexpr int kMqttsPort = 8883;
constexpr int kLastPort = 65535;

bool HasWildcard(const QString& text) {
  return text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('#'));
}

bool HasControlCharacter(const QString& text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.category() == QChar::Other_Control; });
}

// The prefix as its percent-escapes spell it, when they spell UTF-8.
std::optional<QString> DecodedPath(const QUrl& url) {
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8());
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(bytes);
  if (decoder.hasError()) return std::nullopt;
  return text;
}

// Why text cannot stand in a topic name a bench publishes to: MQTT forbids
// wildcards there and NUL anywhere, and the other control characters would
// reach every subscriber's screen.
QString TopicTextError(const QString& what, const QString& text) {
  if (HasWildcard(text)) return QStringLiteral("%1 cannot hold + or #: %2").arg(what, text);
  if (HasControlCharacter(text)) {
    return QStringLiteral("%1 cannot hold control characters (tab, NUL, ...)").arg(what);
  }
  return {};
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
  if (broker.port < 1 || broker.port > kLastPort) {
    return {std::nullopt, QStringLiteral("The broker's port is a number from 1 to %1, not: %2")
                              .arg(kLastPort)
                              .arg(broker.port)};
  }
  broker.user = url.userName();
  const std::optional<QString> path = DecodedPath(url);
  if (!path) {
    return {std::nullopt, QStringLiteral("The topic prefix must be UTF-8 text: %1")
                              .arg(url.path(QUrl::FullyEncoded))};
  }
  broker.prefix = *path;
  while (broker.prefix.startsWith(QLatin1Char('/'))) broker.prefix.remove(0, 1);
  while (broker.prefix.endsWith(QLatin1Char('/'))) broker.prefix.chop(1);
  if (const QString error = TopicTextError(QStringLiteral("The topic prefix"), broker.prefix);
      !error.isEmpty()) {
    return {std::nullopt, error};
  }
  if (broker.prefix.startsWith(QLatin1Char('$'))) {
    return {std::nullopt, QStringLiteral("The topic prefix cannot begin with $, which brokers "
                                         "keep for their own topics: %1")
                              .arg(broker.prefix)};
  }
  return {broker, {}};
}

QString TopicLevelError(const QString& name, bool first) {
  if (name.isEmpty()) return QStringLiteral("The station needs a name.");
  if (name.toUtf8().size() > kLongestStationName) {
    return QStringLiteral("A station's name holds at most %1 bytes of UTF-8, not %2")
        .arg(kLongestStationName)
        .arg(name.toUtf8().size());
  }
  if (name.contains(QLatin1Char('/'))) {
    return QStringLiteral("A station's name cannot hold /: %1").arg(name);
  }
  if (const QString error = TopicTextError(QStringLiteral("A station's name"), name);
      !error.isEmpty()) {
    return error;
  }
  if (first && name.startsWith(QLatin1Char('$'))) {
    return QStringLiteral(
               "A station's name cannot begin with $ without a topic prefix: brokers "
               "keep such topics for their own: %1")
        .arg(name);
  }
  return {};
}
