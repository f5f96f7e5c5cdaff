// `pelmor read --mqtt` as a bench runs it: the real executable on the
// emulated rig, publishing to a real broker.
#include <gtest/gtest.h>

#include "tests/publish/BrokerRig.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

void StartBench(QProcess& bench, const QString& station, const QString& url) {
  bench.setProcessEnvironment(TestProcessEnvironment());
  StartChild(bench, PELMOR_EXECUTABLE,
             {"read", "--emulated", "--every", "0.2", "--format", "json", "--station", station,
              "--mqtt", url, "Voltage", "DeviceName"});
}

}  // namespace

// Interrupted, a bench has published every pass it printed and goes offline;
// killed outright, the broker sets it offline by its last will.
TEST(PublishProcess, BenchesGoOfflineWhenInterruptedAndWhenKilled) {
  const TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#");
  const QString url = QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port());
  QProcess interrupted;
  QProcess killed;
  StartBench(interrupted, "s1", url);
  StartBench(killed, "s2", url);
  ASSERT_TRUE(WaitFor([&] { return interrupted.peek(1 << 20).count('\n') >= 3; }));
  ::kill(pid_t(interrupted.processId()), SIGINT);
  ASSERT_TRUE(interrupted.waitForFinished(15000));
  EXPECT_EQ(interrupted.exitCode(), 0) << interrupted.readAllStandardError().toStdString();
  std::vector<QJsonObject> printed;
  for (const QByteArray& line : interrupted.readAllStandardOutput().trimmed().split('\n')) {
    QJsonObject pass = QJsonDocument::fromJson(line).object();
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

  EXPECT_EQ(subscriber.Last("lab/s2/status"), "online");
  killed.kill();
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/s2/status") == "offline"; }));
}

// A broker that asks for a password and shows a certificate signed by the
// lab's own CA, for localhost on one port and for another name on the other.
TEST(PublishProcess, RefusedLoginsAndCertificatesExitThreeBeforeReading) {
  const QTemporaryDir files;
  const auto make = [&](const QString& command) {
    EXPECT_EQ(QProcess::execute("sh", {"-c", "cd " + files.path() + " && " + command}), 0);
  };
  make("mosquitto_passwd -c -b passwords bench pw && echo pw > right && echo no > wrong");
  const QString certificate =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 "
      "-nodes -days 2 -keyout %1.key -out %1.pem -subj /CN=%1 2>/dev/null ";
  make(certificate.arg("ca"));
  for (const QString name : {"localhost", "elsewhere.example"}) {
    make(certificate.arg(name) + "-addext subjectAltName=DNS:" + name +
         " -CA ca.pem -CAkey ca.key");
  }
  const int tlsPorts[] = {FreePort(), FreePort()};
  const TestBroker broker(QStringLiteral("allow_anonymous false\npassword_file %1/passwords\n"
                                         "listener %2 127.0.0.1\ncertfile %1/localhost.pem\n"
                                         "keyfile %1/localhost.key\nlistener %3 127.0.0.1\n"
                                         "certfile %1/elsewhere.example.pem\n"
                                         "keyfile %1/elsewhere.example.key")
                              .arg(files.path())
                              .arg(tlsPorts[0])
                              .arg(tlsPorts[1]));
  const QString refused =
      "pelmor: the broker at localhost:%1 refused the login: Connection "
      "Refused: not authorised\n";
  const QString untrusted =
      "pelmor: the TLS connection to the broker at localhost:%1 failed "
      "(certificate verify failed); its certificate must name localhost";
  const struct {
    QString scheme;
    int port;
    bool caFile;  // false: the system's CA store
    const char* passwordFile;
    QString error;  // empty: published
  } runs[] = {
      {"mqtt", broker.Port(), false, "right", ""},
      {"mqtt", broker.Port(), false, "wrong", refused},
      {"mqtts", tlsPorts[0], true, "right", ""},
      {"mqtts", tlsPorts[0], false, "right", untrusted},
      {"mqtts", tlsPorts[1], true, "right", untrusted},
  };
  for (const auto& [scheme, port, caFile, passwordFile, error] : runs) {
    QProcessEnvironment environment = TestProcessEnvironment();
    environment.insert("PELMOR_MQTT_PASSWORD_FILE", files.filePath(passwordFile));
    QStringList arguments{"read", "--emulated", "Voltage", "--mqtt",
                          QStringLiteral("%1://bench@localhost:%2/lab").arg(scheme).arg(port)};
    if (caFile) arguments << "--mqtt-ca" << files.filePath("ca.pem");
    const PelmorRun bench = RunPelmorToEnd(arguments, environment);
    const QString err = QString::fromUtf8(bench.err);
    EXPECT_EQ(bench.status, error.isEmpty() ? 0 : 3) << err.toStdString();
    EXPECT_EQ(bench.out.isEmpty(), !error.isEmpty());
    const QString expected = error.isEmpty() ? "" : error.arg(port);
    EXPECT_EQ(err.left(expected.size()), expected);
  }
}
