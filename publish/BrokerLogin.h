#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The user name and password a broker may ask for. The password never comes
// from the command line, where every user of the computer can read it: it
// comes from the file named by PELMOR_MQTT_PASSWORD_FILE (its first line), or
// from PELMOR_MQTT_PASSWORD. The user name comes from the broker's URL or from
// PELMOR_MQTT_USER.
struct BrokerLogin {
  QString user;         // empty: no login
  QByteArray password;  // empty: none
};

struct BrokerLoginRead {
  std::optional<BrokerLogin> login;
  QString error;
  QStringList warnings;  // what the way it is kept risks
};

// Reads the login from the program's environment.
BrokerLoginRead ReadBrokerLogin(const QString& urlUser);
