// `pelmor read --mqtt` as a bench runs it: the real executable on the
// emulated rig, publishing to a real broker.
#include <gtest/gtest.h>

#include "tests/publish/BrokerRig.h"
#include "tests/publish/HomeAssistantSchema.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

void StartBench(QProcess& bench, const QString& station, const QString& url,
                const QProcessEnvironment& environment = TestProcessEnvironment()) {
  bench.setProcessEnvironment(environment);
  StartChild(bench, PELMOR_EXECUTABLE,
             {"read", "--emulated", "--every", "0.2", "--format", "json", "--station", station,
              "--mqtt", url, "Voltage", "DeviceName"});
}

}  // namespace

// Interrupted, a bench has published every pass it printed, each numbered
// and stamped with its zone, and goes offline; killed outright, the broker
// sets it offline by its last will.
TEST(PublishProcess, BenchesGoOfflineWhenInterruptedAndWhenKilled) {
  const TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#");
  const QString url = QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port());
  QProcess interrupted;
  QProcess killed;
  QProcessEnvironment newYork = TestProcessEnvironment();
  newYork.insert("TZ", "America/New_York");
  StartBench(interrupted, "s1", url, newYork);
  StartBench(killed, "s2", url);
  ASSERT_TRUE(WaitFor([&] { return interrupted.peek(1 << 20).count('\n') >= 3; }));
  ::kill(pid_t(interrupted.processId()), SIGINT);
  ASSERT_TRUE(interrupted.waitForFinished(15000));
  EXPECT_EQ(interrupted.exitCode(), 0) << interrupted.readAllStandardError().toStdString();
  std::vector<QJsonObject> printed;
  for (const QByteArray& line : interrupted.readAllStandardOutput().trimmed().split('\n')) {
    printed.push_back(QJsonDocument::fromJson(line).object());
  }
  // The broker forwards in the order it received: the passes, then the status.
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/s1/status") == "offline"; }));
  const std::vector<QJsonObject> passes = subscriber.Passes("lab/s1/pass");
  ASSERT_EQ(passes.size(), printed.size());
  for (std::size_t n = 0; n < passes.size(); ++n) {
    const QJsonObject& pass = passes[n];
    EXPECT_EQ(pass["v"].toInt(), 2);
    EXPECT_EQ(pass["seq"].toInt(), int(n) + 1);
    EXPECT_EQ(pass["dropped"].toInt(-1), 0);
    EXPECT_EQ(pass["station"].toString(), "s1");
    EXPECT_EQ(pass["adapter"]["kind"].toString(), "emulated rig");
    const QDateTime start = QDateTime::fromString(pass["start"].toString(), Qt::ISODateWithMs);
    EXPECT_TRUE(pass["start"].toString().endsWith("-05:00"))
        << pass["start"].toString().toStdString();
    EXPECT_EQ(start.toMSecsSinceEpoch(), pass["ts"].toInteger());
    const QJsonObject voltage = pass["registers"][0].toObject();
    const QJsonObject printedVoltage = printed[n]["registers"][0].toObject();
    EXPECT_EQ(voltage["raw"].toInt(), printedVoltage["value"].toInt());
    EXPECT_EQ(voltage["value"].toDouble(), printedVoltage["value"].toInt() / 1000.0);
    EXPECT_EQ(voltage["unit"].toString(), "V");
    EXPECT_EQ(voltage["class"].toString(), "mv");
    EXPECT_EQ(pass["registers"][1]["text"], printed[n]["registers"][1]["value"]);
    EXPECT_EQ(pass["pack"]["device"], printed[n]["registers"][1]["value"]);
  }
  const QJsonObject name = QJsonDocument::fromJson(subscriber.Last("lab/s1/DeviceName")).object();
  EXPECT_EQ(name["text"], printed.back()["registers"][1]["value"]);
  EXPECT_EQ(name["ts"], passes.back()["ts"]);
  const QJsonObject info = QJsonDocument::fromJson(subscriber.Last("lab/s1/status/info")).object();
  EXPECT_EQ(info["state"].toString(), "offline");
  EXPECT_EQ(info["boot"], passes.back()["boot"]);

  EXPECT_EQ(subscriber.Last("lab/s2/status"), "online");
  killed.kill();
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/s2/status") == "offline"; }));
}

// A second bench under a station's name that another keeps online is
// refused before it reads, and the first one's status is left alone.
TEST(PublishProcess, ASecondBenchUnderAStationsNameIsRefused) {
  const TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#");
  const QString url = QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port());
  QProcess first;
  StartBench(first, "s1", url);
  ASSERT_TRUE(WaitFor([&] { return first.peek(1 << 20).count('\n') >= 1; }));
  const PelmorRun second =
      RunPelmorToEnd({"read", "--emulated", "--station", "s1", "--mqtt", url, "Voltage"});
  EXPECT_EQ(second.status, 3);
  EXPECT_TRUE(second.out.isEmpty());
  EXPECT_TRUE(
      second.err.startsWith("pelmor: the station s1 is already online at the broker at "
                            "127.0.0.1:" +
                            QByteArray::number(broker.Port())))
      << second.err.toStdString();
  const std::size_t passesBefore = subscriber.Passes("lab/s1/pass").size();
  EXPECT_TRUE(WaitFor([&] { return subscriber.Passes("lab/s1/pass").size() > passesBefore; }));
  EXPECT_EQ(subscriber.On("lab/s1/status"), std::vector<QByteArray>{"online"});
  first.kill();
  first.waitForFinished();
}

// Each register read, announced as a sensor with what Home Assistant's
// discovery asks of one (its documented schema, as a table of required keys).
TEST(PublishProcess, DiscoveryAnnouncesEachRegisterAsAHomeAssistantSensor) {
  const TestBroker broker;
  TestSubscriber discovery(broker.Port(), "homeassistant/#");
  TestSubscriber states(broker.Port(), "lab/#");
  const PelmorRun bench = RunPelmorToEnd(
      {"read", "--emulated", "--station", "d1", "--mqtt-discovery", "--mqtt",
       QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port()), "Voltage", "Temperature",
       "RelStateOfCharge", "DeviceName", "SerialNumber", "ManufacturerName"});
  ASSERT_EQ(bench.status, 0) << bench.err.toStdString();
  const QStringList sensors{"Voltage",    "Temperature",  "RelStateOfCharge",
                            "DeviceName", "SerialNumber", "ManufacturerName"};
  for (const QString& sensor : sensors) {
    const QString topic = "homeassistant/sensor/pelmor_d1/" + sensor + "/config";
    ASSERT_TRUE(WaitFor([&] { return !discovery.Last(topic).isEmpty(); })) << sensor.toStdString();
    const QJsonObject config = QJsonDocument::fromJson(discovery.Last(topic)).object();
    EXPECT_EQ(HomeAssistantSensorFaults(topic, config), QStringList()) << sensor.toStdString();
    EXPECT_EQ(config["availability_topic"].toString(), "lab/d1/status");
    ASSERT_TRUE(WaitFor([&] { return !states.Last(config["state_topic"].toString()).isEmpty(); }));
  }
  const QJsonObject voltage =
      QJsonDocument::fromJson(discovery.Last("homeassistant/sensor/pelmor_d1/Voltage/config"))
          .object();
  EXPECT_EQ(voltage["device_class"].toString(), "voltage");
  EXPECT_EQ(voltage["unit_of_measurement"].toString(), "V");
  EXPECT_EQ(voltage["device"]["identifiers"][0].toString().left(10), "pelmor_d1_");
}

// The window ends as File > Exit ends it on Ctrl+C and a polite kill: its
// own "offline", not the broker's last will.
TEST(PublishProcess, TheWindowSaysOfflineItselfOnSigterm) {
  const TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#");
  QProcess window;
  QProcessEnvironment environment = TestProcessEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  window.setProcessEnvironment(environment);
  StartChild(window, PELMOR_EXECUTABLE,
             {"--emulated", "--station", "w1", "--mqtt",
              QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port())});
  ASSERT_TRUE(WaitFor([&] { return subscriber.Last("lab/w1/status") == "online"; }));
  ::kill(pid_t(window.processId()), SIGTERM);
  ASSERT_TRUE(window.waitForFinished(15000));
  EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/w1/status") == "offline"; }));
  EXPECT_EQ(QJsonDocument::fromJson(subscriber.Last("lab/w1/status/info")).object()["state"],
            "offline");
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
  const QString refused = "pelmor: the broker at localhost:%1 refused the login: Not authorized\n";
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

// What a person can get wrong, each with its own status and a reason that
// names it. Statuses: 2 for options and local files, 3 for what a broker
// refused; warnings leave the run alone.
TEST(PublishProcess, BadInputsGetTheirOwnStatusAndReason) {
  const QTemporaryDir files;
  const auto make = [&](const QString& name, const QByteArray& text, QFile::Permissions mode) {
    QFile file(files.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    file.setPermissions(mode);
    return file.fileName();
  };
  const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner;
  const QString password = make("password", "pw\n", own);
  const QString sharedPassword = make("shared", "pw\n", own | QFile::ReadOther);
  const QString notCertificate = make("not-a-certificate.pem", "hello\n", own);
  const TestBroker broker;
  const QString url = QStringLiteral("mqtt://bench@127.0.0.1:%1/lab").arg(broker.Port());
  const struct {
    QStringList options;
    QString passwordFile;  // PELMOR_MQTT_PASSWORD_FILE; empty: none
    int status;
    QString says;
  } cases[] = {
      {{"--station", QString(65536, 'x')}, "", 2, "A station's name holds at most 128 bytes"},
      {{"--station", "a\tb"}, "", 2, "A station's name cannot hold control characters"},
      {{"--mqtt", "mqtt://127.0.0.1/lab%00x"}, "", 2, "The topic prefix cannot hold control"},
      {{"--mqtt", "mqtt://127.0.0.1:0/lab"}, "", 2, "The broker's port is a number from 1 to"},
      {{"--mqtt", "mqtt://127.0.0.1/lab%FF"}, "", 2, "The topic prefix must be UTF-8 text"},
      {{"--mqtt", "mqtt://127.0.0.1/$SYS"}, "", 2, "The topic prefix cannot begin with $"},
      {{"--mqtt", "mqtt://127.0.0.1", "--station", "$SYS"}, "", 2, "cannot begin with $"},
      {{"--mqtt-queue", "18446744073709551615"}, "", 2, "--mqtt-queue takes a whole number"},
      {{"--mqtt", "mqtts://127.0.0.1/lab", "--mqtt-ca", files.filePath("none.pem")},
       "",
       2,
       "the CA file " + files.filePath("none.pem") + " (--mqtt-ca) cannot be read"},
      {{"--mqtt", "mqtts://127.0.0.1/lab", "--mqtt-ca", notCertificate},
       "",
       2,
       "(--mqtt-ca) holds no certificate"},
      {{}, files.filePath("none"), 2, "the password file " + files.filePath("none")},
      {{"--mqtt", QStringLiteral("mqtts://127.0.0.1:%1/lab").arg(broker.Port())},
       "",
       3,
       "does not speak TLS on that port"},
      {{}, sharedPassword, 0, "can be read by every user of this computer"},
      {{}, password, 0, "the password goes to the broker unencrypted over mqtt://"},
  };
  for (const auto& [options, passwordFile, status, says] : cases) {
    QProcessEnvironment environment = TestProcessEnvironment();
    if (!passwordFile.isEmpty()) environment.insert("PELMOR_MQTT_PASSWORD_FILE", passwordFile);
    QStringList arguments{"read", "--emulated", "Voltage", "--mqtt", url};
    arguments << options;  // a later --mqtt has the last word
    const PelmorRun bench = RunPelmorToEnd(arguments, environment);
    const QString err = QString::fromUtf8(bench.err);
    EXPECT_EQ(bench.status, status) << says.toStdString() << '\n' << err.toStdString();
    EXPECT_TRUE(err.contains(says)) << says.toStdString() << '\n' << err.toStdString();
  }
}
