// The publisher against a real broker, watched by a real subscriber.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "publish/Publisher.h"
#include "tests/publish/BrokerRig.h"
#include "tests/support/QtPrinters.h"

namespace {

QJsonObject Pass(int n) {
  const QJsonObject voltage{{"name", "Voltage"}, {"value", 12 + n / 1000.0}};
  return {{"start", QDateTime(QDate(2026, 12, 7), QTime(10, 0)).addSecs(n).toString(Qt::ISODate)},
          {"registers", QJsonArray{voltage}}};
}

// The passes' numbers, as the subscriber got them.
std::vector<int> Seqs(const std::vector<QJsonObject>& passes) {
  std::vector<int> seqs;
  for (const QJsonObject& pass : passes) seqs.push_back(pass["seq"].toInt());
  return seqs;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> numbers;
  for (int n = from; n <= to; ++n) numbers.push_back(n);
  return numbers;
}

struct Bench {
  explicit Bench(int port, std::size_t queueBound = kDefaultPassQueueBound)
      : publisher({{false, "127.0.0.1", port, "lab", {}}, "b1", {}, {}, queueBound, {}, false},
                  {{}, [this](const QString& text) { notices << text; }}) {
    EXPECT_EQ(publisher.Start(std::chrono::seconds(10)), std::nullopt);
  }
  void Publish(int from, int to) {
    for (int n = from; n <= to; ++n) {
      publisher.PublishPass(Pass(n), {{"Voltage", QJsonObject{{"value", 12 + n / 1000.0}}}});
    }
  }
  QStringList notices;
  Publisher publisher;
};

}  // namespace

TEST(PublisherBroker, TwentyPassesArriveWholeAndInOrderThoughTheBrokerIsKilledForTenSeconds) {
  TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#", "lab-store");
  Bench bench(broker.Port());
  bench.Publish(1, 5);
  ASSERT_TRUE(WaitFor([&] { return subscriber.Passes("lab/b1/pass").size() == 5; }));
  EXPECT_EQ(subscriber.Last("lab/b1/status"), "online");
  broker.Signal(SIGKILL, true);
  for (int n = 6; n <= 15; ++n) {
    bench.Publish(n, n);
    WaitFor([] { return false; }, 1000);
  }
  broker.Start();
  bench.Publish(16, 20);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Passes("lab/b1/pass").size() >= 20; }));
  const std::vector<QJsonObject> passes = subscriber.Passes("lab/b1/pass");
  EXPECT_EQ(Seqs(passes), Range(1, 20));
  for (const QJsonObject& pass : passes) {
    EXPECT_EQ(pass["start"], Pass(pass["seq"].toInt())["start"]);
    EXPECT_EQ(pass["boot"].toString(), bench.publisher.Boot());
    EXPECT_EQ(pass["dropped"].toInt(-1), 0);
  }
  EXPECT_EQ(bench.publisher.Finish(std::chrono::seconds(5)), 0u);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/b1/status") == "offline"; }));
  EXPECT_EQ(subscriber.Last("lab/b1/Voltage"), R"({"value":12.02})");
  const QJsonObject info = QJsonDocument::fromJson(subscriber.Last("lab/b1/status/info")).object();
  EXPECT_EQ(info["state"].toString(), "offline");
  EXPECT_EQ(info["boot"].toString(), bench.publisher.Boot());
  ASSERT_EQ(bench.notices.size(), 2) << bench.notices.join('\n').toStdString();
  EXPECT_TRUE(bench.notices[0].contains("passes wait in memory, up to 1440"));
  EXPECT_TRUE(bench.notices[1].contains("is back; sending the"));
}

// A broker that stops answering holds the passes in flight; the queue behind
// them keeps only the newest, says how many it dropped, and so does the
// first pass after the gap.
TEST(PublisherBroker, PassesBeyondTheQueueDropTheOldestAndSayHowMany) {
  TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/+/pass");
  Bench bench(broker.Port(), 3);
  broker.Signal(SIGSTOP);
  const int inFlight = static_cast<int>(Publisher::kPassesInFlight);
  bench.Publish(1, inFlight + 5);
  broker.Signal(SIGCONT);
  EXPECT_EQ(bench.publisher.Finish(std::chrono::seconds(10)), 0u);
  std::vector<int> kept = Range(1, inFlight);
  for (const int n : Range(inFlight + 3, inFlight + 5)) kept.push_back(n);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Passes("lab/b1/pass").size() >= kept.size(); }));
  const std::vector<QJsonObject> passes = subscriber.Passes("lab/b1/pass");
  EXPECT_EQ(Seqs(passes), kept);
  for (const QJsonObject& pass : passes) {
    EXPECT_EQ(pass["dropped"].toInt(), pass["seq"].toInt() == inFlight + 3 ? 2 : 0);
  }
  EXPECT_EQ(bench.notices, QStringList{"2 passes dropped, the oldest first, while the broker at "
                                       "127.0.0.1:" +
                                       QString::number(broker.Port()) +
                                       " could not take them: the queue holds 3"});
}

// In MQTT 5 the broker answers a pass it may not take with a reason code:
// each is counted, the first told.
TEST(PublisherBroker, PassesTheBrokerRefusesAreCountedAndTold) {
  const QTemporaryDir files;
  QFile acl(files.filePath("acl"));
  ASSERT_TRUE(acl.open(QIODevice::WriteOnly));
  acl.write("topic readwrite lab/b1/status/#\n");
  acl.close();
  TestBroker broker("allow_anonymous true\nacl_file " + acl.fileName());
  Bench bench(broker.Port());
  bench.Publish(1, 3);
  EXPECT_TRUE(WaitFor([&] { return bench.publisher.Refused() == 3; }));
  EXPECT_EQ(bench.publisher.Finish(std::chrono::seconds(5)), 0u);
  EXPECT_EQ(bench.notices,
            (QStringList{"the broker at 127.0.0.1:" + QString::number(broker.Port()) +
                             " refused a pass: Not authorized",
                         "3 passes refused by the broker at 127.0.0.1:" +
                             QString::number(broker.Port()) + " in all"}));
}

// A broker that comes back with another password says so, rather than
// "cannot be reached" again.
TEST(PublisherBroker, ALoginRefusedAfterAnOutageIsToldForWhatItIs) {
  const QTemporaryDir files;
  const auto passwords = [&](const char* password) {
    EXPECT_EQ(QProcess::execute("mosquitto_passwd",
                                {"-c", "-b", files.filePath("passwords"), "bench", password}),
              0);
  };
  passwords("pw");
  TestBroker broker("allow_anonymous false\npassword_file " + files.filePath("passwords"));
  QStringList notices;
  Publisher publisher({{false, "127.0.0.1", broker.Port(), "lab", {}},
                       "b1",
                       {},
                       {"bench", "pw"},
                       kDefaultPassQueueBound,
                       {},
                       false},
                      {{}, [&](const QString& text) { notices << text; }});
  ASSERT_EQ(publisher.Start(std::chrono::seconds(10)), std::nullopt);
  broker.Signal(SIGKILL, true);
  passwords("changed");
  broker.Start();
  EXPECT_TRUE(WaitFor([&] { return notices.size() >= 2; }));
  EXPECT_EQ(publisher.State(), BrokerState::Rejected);
  ASSERT_EQ(notices.size(), 2) << notices.join('\n').toStdString();
  EXPECT_TRUE(notices[0].contains("cannot be reached (The connection was lost)"));
  EXPECT_EQ(notices[1], "the broker at 127.0.0.1:" + QString::number(broker.Port()) +
                            " refused the login: Not authorized");
}

// A broker that speaks only 3.1.1 is spoken to in 3.1.1, and the person
// told that a pass it refuses cannot be seen.
TEST(PublisherBroker, ABrokerOfMqtt311IsSpokenToInIts311) {
  TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/+/pass");
  const OldBrokerFront front(broker.Port());
  Bench bench(front.Port());
  bench.Publish(1, 2);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Passes("lab/b1/pass").size() == 2; }));
  EXPECT_EQ(front.RefusedConnects(), 1);
  EXPECT_EQ(bench.notices, QStringList{"the broker at 127.0.0.1:" + QString::number(front.Port()) +
                                       " speaks MQTT 3.1.1, not 5: a pass it refuses cannot be "
                                       "seen"});
}
