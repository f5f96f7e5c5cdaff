#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "BrokerLogin.h"
#include "QtPrinters.h"

TEST(BrokerLogin, ComesFromTheUrlTheEnvironmentOrAPasswordFile) {
  QTemporaryFile passwordFile;
  ASSERT_TRUE(passwordFile.open());
  passwordFile.write("from the file\r\nsecond line\n");
  passwordFile.close();
  const struct {
    QString urlUser;
    QStringList environment;
    QString user;
    QByteArray password;
    QString error;
  } cases[] = {
      {"", {}, "", "", ""},
      {"bench",
       {"PELMOR_MQTT_PASSWORD_FILE=" + passwordFile.fileName()},
       "bench",
       "from the file",
       ""},
      {"", {"PELMOR_MQTT_USER=b2", "PELMOR_MQTT_PASSWORD=pw"}, "b2", "pw", ""},
      {"", {"PELMOR_MQTT_PASSWORD=pw"}, "", "", "a password is given but no user name"},
      {"b",
       {"PELMOR_MQTT_PASSWORD_FILE=/nonexistent"},
       "",
       "",
       "the password file /nonexistent (PELMOR_MQTT_PASSWORD_FILE) cannot be read: No such file"},
  };
  for (const auto& [urlUser, variables, user, password, error] : cases) {
    QProcessEnvironment environment;
    for (const QString& variable : variables) {
      environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
    }
    const BrokerLoginRead read = ReadBrokerLogin(urlUser, environment);
    EXPECT_EQ(read.error.left(error.size()), error);
    EXPECT_EQ(read.login.has_value(), error.isEmpty());
    EXPECT_EQ(read.login.value_or(BrokerLogin{}).user, user);
    EXPECT_EQ(read.login.value_or(BrokerLogin{}).password, password);
  }
}
