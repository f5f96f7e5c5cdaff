#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "publish/Publisher.h"

// The options that publish passes to a broker, the same for the window and
// for `pelmor read`.
struct PublishOptionSet {
  QCommandLineOption mqtt{QStringLiteral("mqtt"),
                          QStringLiteral("Publish each pass to the MQTT broker at "
                                         "mqtt://host[:port]/prefix (mqtts:// for TLS). The "
                                         "password comes from the file named by "
                                         "PELMOR_MQTT_PASSWORD_FILE."),
                          QStringLiteral("URL")};
  QCommandLineOption station{QStringLiteral("station"),
                             QStringLiteral("This bench's name in the broker's topics (default: "
                                            "the host name)."),
                             QStringLiteral("NAME")};
  QCommandLineOption mqttCa{QStringLiteral("mqtt-ca"),
                            QStringLiteral("The CA certificate to trust for an mqtts:// broker "
                                           "(default: the system's CA store)."),
                            QStringLiteral("FILE")};
  QCommandLineOption mqttQueue{QStringLiteral("mqtt-queue"),
                               QStringLiteral("Passes kept in memory while the broker is away "
                                              "(default: %1).")
                                   .arg(kDefaultPassQueueBound),
                               QStringLiteral("PASSES")};

  void AddTo(QCommandLineParser& parser) const {
    parser.addOptions({mqtt, station, mqttCa, mqttQueue});
  }

  // The publisher asked for (none without --mqtt, which the others need), or
  // what is wrong with the options. The login is read when it starts.
  struct Reading {
    std::optional<PublisherSettings> settings;
    QString error;
  };
  Reading Read(const QCommandLineParser& parser) const;
};

// A publisher that has its broker's answer, or none, with the reason, when
// the login cannot be read or the broker refused it.
struct PublisherStart {
  std::unique_ptr<Publisher> publisher;
  QString error;
};
PublisherStart StartPublisher(PublisherSettings settings, Publisher::Events events);
