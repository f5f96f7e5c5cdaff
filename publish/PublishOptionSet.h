#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "publish/Publisher.h"

// The most passes --mqtt-queue keeps: some hundred megabytes at most.
inline constexpr std::size_t kLargestPassQueue = 1000000;

// The options that publish passes to a broker, the same for the window and
// for `pelmor read`.
struct PublishOptionSet {
  QCommandLineOption mqtt{
      QStringLiteral("mqtt"),
      QStringLiteral("Publish each pass to the MQTT broker at mqtt://host[:port]/prefix "
                     "(mqtts:// for TLS), in MQTT 5. A broker that speaks only MQTT 3.1.1 "
                     "drops a pass it refuses without a word: there, a refused pass cannot "
                     "be seen. The password comes from the file named by "
                     "PELMOR_MQTT_PASSWORD_FILE."),
      QStringLiteral("URL")};
  QCommandLineOption station{QStringLiteral("station"),
                             QStringLiteral("This bench's name in the broker's topics (default: "
                                            "the host name); one bench a name."),
                             QStringLiteral("NAME")};
  QCommandLineOption mqttCa{QStringLiteral("mqtt-ca"),
                            QStringLiteral("The CA certificate (PEM) to trust for an mqtts:// "
                                           "broker (default: the system's CA store)."),
                            QStringLiteral("FILE")};
  QCommandLineOption mqttQueue{QStringLiteral("mqtt-queue"),
                               QStringLiteral("Passes kept in memory while the broker is away, "
                                              "1 to %1 (default: %2).")
                                   .arg(kLargestPassQueue)
                                   .arg(kDefaultPassQueueBound),
                               QStringLiteral("PASSES")};
  QCommandLineOption mqttDiscovery{
      QStringLiteral("mqtt-discovery"),
      QStringLiteral("Also announce each register read as a Home Assistant sensor "
                     "(homeassistant/sensor/...), with the station and the pack as its device.")};

  void AddTo(QCommandLineParser& parser) const {
    parser.addOptions({mqtt, station, mqttCa, mqttQueue, mqttDiscovery});
  }

  // The publisher asked for (none without --mqtt, which the others need), or
  // what is wrong with the options, the login or the CA file.
  struct Reading {
    std::optional<PublisherSettings> settings;
    QString error;
  };
  Reading Read(const QCommandLineParser& parser) const;
};

// A publisher that has its broker's answer, or none, with the reason, when
// the broker refused the login or the certificate, or the station is taken.
struct PublisherStart {
  std::unique_ptr<Publisher> publisher;
  QString error;
};
PublisherStart StartPublisher(PublisherSettings settings, Publisher::Events events);
