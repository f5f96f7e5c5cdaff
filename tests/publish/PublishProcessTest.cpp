// `pelmor read --mqtt` as a bench runs it: the real executable on the
// emulated rig, publishing to a real broker.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "BrokerRig.h"

namespace {

QStringList ReadArguments(int port, const QString& url = "mqtt://127.0.0.1:%1/lab") {
  return {"read",      "--emulated", "--every", "0.2",         "--format", "json",
          "--station", "s1",         "--mqtt",  url.arg(port), "Voltage",  "DeviceName"};
}

}  // namespace

TEST(PublishProcess, BenchKilledOutrightTurnsOfflineByItsLastWill) {
  const TestBroker broker;
  const TestSubscriber subscriber(broker.Port(), "lab/#");
  QProcess bench;
  bench.start(PELMOR_EXECUTABLE, ReadArguments(broker.Port()));
  ASSERT_TRUE(WaitFor([&] { return !subscriber.On("lab/s1/pass").empty(); }));
  EXPECT_EQ(subscriber.Last("lab/s1/status"), "online");
  bench.kill();
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/s1/status") == "offline"; }));
}

TEST(PublishProcess, InterruptedBenchHasPublishedEveryPassItPrintedAndGoesOffline) {
  const TestBroker broker;
  const TestSubscriber subscriber(broker.Port(), "lab/#");
  QProcess bench;
  bench.start(PELMOR_EXECUTABLE, ReadArguments(broker.Port()));
  ASSERT_TRUE(WaitFor([&] {
    bench.waitForReadyRead(100);
    return bench.peek(1 << 20).count('\n') >= 3;
  }));
  ::kill(static_cast<pid_t>(bench.processId()), SIGINT);
  ASSERT_TRUE(bench.waitForFinished(15000));
  EXPECT_EQ(bench.exitCode(), 0) << bench.readAllStandardError().toStdString();
  std::vector<QJsonObject> printed;
  for (const QByteArray& line : bench.readAllStandardOutput().split('\n')) {
    QJsonObject pass = QJsonDocument::fromJson(line).object();
    if (pass.isEmpty()) continue;
    pass.insert("station", "s1");
    pass.insert("port", 1);
    pass.insert("address", "16");
    printed.push_back(pass);
  }
  // The broker forwards in the order it received: the passes, then the status.
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/s1/status") == "offline"; }));
  EXPECT_EQ(subscriber.Passes("lab/s1/pass"), printed);
  EXPECT_EQ(subscriber.Last("lab/s1/DeviceName"),
            printed.back()["registers"][1]["value"].toString().toUtf8());
}

TEST(PublishProcess, RefusedLoginExitsThreeBeforeReading) {
  QTemporaryDir files;
  QProcess::execute("mosquitto_passwd", {"-c", "-b", files.filePath("passwords"), "bench", "pw"});
  const TestBroker broker("allow_anonymous false\npassword_file " + files.filePath("passwords"));
  QFile password(files.filePath("password"));
  password.open(QIODevice::WriteOnly);
  password.write("not the password\n");
  password.close();
  QProcess bench;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("PELMOR_MQTT_PASSWORD_FILE", password.fileName());
  bench.setProcessEnvironment(environment);
  bench.start(PELMOR_EXECUTABLE, ReadArguments(broker.Port(), "mqtt://bench@127.0.0.1:%1/lab"));
  ASSERT_TRUE(bench.waitForFinished(15000));
  EXPECT_EQ(bench.exitCode(), 3);
  EXPECT_TRUE(bench.readAllStandardOutput().isEmpty());
  EXPECT_EQ(bench.readAllStandardError(),
            QStringLiteral("pelmor: the broker at 127.0.0.1:%1 refused the login: Connection "
                           "Refused: not authorised\n")
                .arg(broker.Port()));
}
