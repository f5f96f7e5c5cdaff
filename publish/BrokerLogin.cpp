#include "publish/BrokerLogin.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr char kUserVariable[] = "PELMOR_MQTT_USER";
constexpr char kPasswordFileVariable[] = "PELMOR_MQTT_PASSWORD_FILE";
constexpr char kPasswordVariable[] = "PELMOR_MQTT_PASSWORD";

}  // namespace

BrokerLoginRead ReadBrokerLogin(const QString& urlUser) {
  BrokerLoginRead read;
  BrokerLogin login;
  login.user = urlUser.isEmpty() ? qEnvironmentVariable(kUserVariable) : urlUser;
  const QString passwordFile = qEnvironmentVariable(kPasswordFileVariable);
  if (!passwordFile.isEmpty()) {
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
      read.error = QStringLiteral(
                       "the password file %1 (PELMOR_MQTT_PASSWORD_FILE) cannot be "
                       "read: %2")
                       .arg(passwordFile, file.errorString());
      return read;
    }
    if (file.permissions() & QFileDevice::ReadOther) {
      read.warnings << QStringLiteral(
                           "the password file %1 can be read by every user of this "
                           "computer; chmod o-r %1 keeps it yours")
                           .arg(passwordFile);
    }
    login.password = file.readLine();
    while (login.password.endsWith('\n') || login.password.endsWith('\r')) login.password.chop(1);
  } else {
    login.password = qEnvironmentVariable(kPasswordVariable).toUtf8();
  }
  if (!login.password.isEmpty() && login.user.isEmpty()) {
    read.error = QStringLiteral(
        "a password is given but no user name: put it in the broker's URL "
        "(mqtt://user@host/prefix) or in PELMOR_MQTT_USER.");
    return read;
  }
  read.login = login;
  return read;
}
