#include "publish/BrokerLogin.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kUserVariable = QStringLiteral("PELMOR_MQTT_USER");
const QString kPasswordFileVariable = QStringLiteral("PELMOR_MQTT_PASSWORD_FILE");
const QString kPasswordVariable = QStringLiteral("PELMOR_MQTT_PASSWORD");

}  // namespace

BrokerLoginRead ReadBrokerLogin(const QString& urlUser, const QProcessEnvironment& environment) {
  BrokerLoginRead read;
  BrokerLogin login;
  login.user = urlUser.isEmpty() ? environment.value(kUserVariable) : urlUser;
  const QString passwordFile = environment.value(kPasswordFileVariable);
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
    login.password = environment.value(kPasswordVariable).toUtf8();
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
