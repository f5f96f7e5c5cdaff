#pragma once

#include <QString>
#include <optional>

// Where passes are published: `mqtt://host[:port]/prefix`, or `mqtts://` for
// TLS. The prefix is the topic path every station publishes under; it may
// hold several levels (`lab/packs`) or none.
struct BrokerUrl {
  bool tls = false;
  QString host;
  int port = 0;
  QString prefix;
  QString user;  // from `mqtt://user@host/...`; may be empty

  // `host:port`, as messages name the broker.
  QString Place() const;
};

struct BrokerUrlParse {
  std::optional<BrokerUrl> url;
  QString error;
};

BrokerUrlParse ParseBrokerUrl(const QString& text);

// The longest station name, in bytes of UTF-8: topics stay readable.
inline constexpr int kLongestStationName = 128;

// Empty when the name can stand as one topic level (a station's name), the
// first level of its topics when there is no prefix; otherwise why not.
QString TopicLevelError(const QString& name, bool first);
