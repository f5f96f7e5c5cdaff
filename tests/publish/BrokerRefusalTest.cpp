// A broker that asks for a password and shows a certificate: what it refuses
// is an error at the start, and what it accepts is none.
#include <gtest/gtest.h>

#include "BrokerRig.h"
#include "Publisher.h"

namespace {

// A certificate authority, and a certificate it signs for each name.
void MakeCertificates(const QTemporaryDir& dir, const QStringList& names) {
  const auto openssl = [&](const QString& arguments) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral("openssl"), arguments.split(' '));
    EXPECT_TRUE(process.waitForFinished() && process.exitCode() == 0) << arguments.toStdString();
  };
  openssl("req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=LabCA");
  for (const QString& name : names) {
    QFile extensions(dir.filePath(name + ".ext"));
    extensions.open(QIODevice::WriteOnly);
    extensions.write("subjectAltName=DNS:" + name.toUtf8());
    extensions.close();
    openssl(QStringLiteral("req -newkey rsa:2048 -nodes -keyout %1.key -out %1.csr -subj /CN=%1")
                .arg(name));
    openssl(QStringLiteral("x509 -req -in %1.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
                           "-out %1.pem -extfile %1.ext")
                .arg(name));
  }
}

struct Attempt {
  int listener;  // 0 plain; 1 TLS with a certificate for localhost; 2 for another name
  bool caFile;   // false: the system's CA store
  QByteArray password;
  QString error;  // empty: accepted
};

}  // namespace

TEST(BrokerRefusal, RefusedLoginsAndCertificatesAreErrorsAtTheStart) {
  QTemporaryDir files;
  MakeCertificates(files, {"localhost", "elsewhere.example"});
  QProcess::execute("mosquitto_passwd", {"-c", "-b", files.filePath("passwords"), "bench", "pw"});
  const int ports[] = {0, FreePort(), FreePort()};
  const TestBroker broker(QStringLiteral("allow_anonymous false\npassword_file %1/passwords\n"
                                         "listener %2 127.0.0.1\ncertfile %1/localhost.pem\n"
                                         "keyfile %1/localhost.key\nlistener %3 127.0.0.1\n"
                                         "certfile %1/elsewhere.example.pem\n"
                                         "keyfile %1/elsewhere.example.key")
                              .arg(files.path())
                              .arg(ports[1])
                              .arg(ports[2]));
  const QString refused = "the broker at localhost:%1 refused the login: Connection Refused";
  const QString untrusted =
      "the TLS connection to the broker at localhost:%1 failed "
      "(certificate verify failed); its certificate must name localhost";
  const std::vector<Attempt> attempts{
      {0, false, "pw", ""}, {0, false, "wrong", refused}, {0, false, "", refused},
      {1, true, "pw", ""},  {1, false, "pw", untrusted},  {2, true, "pw", untrusted},
  };
  for (const Attempt& attempt : attempts) {
    const int port = attempt.listener == 0 ? broker.Port() : ports[attempt.listener];
    PublisherSettings settings{{attempt.listener > 0, "localhost", port, "lab", {}},
                               "b1",
                               std::nullopt,
                               {"bench", attempt.password}};
    if (attempt.caFile) settings.caFile = files.filePath("ca.pem");
    Publisher publisher(settings, {});
    const std::optional<QString> error = publisher.Start(std::chrono::seconds(10));
    const QString expected = attempt.error.isEmpty() ? "" : attempt.error.arg(port);
    EXPECT_TRUE(expected.isEmpty() ? !error : error && error->startsWith(expected))
        << port << ": " << error.value_or("accepted").toStdString();
  }
}
