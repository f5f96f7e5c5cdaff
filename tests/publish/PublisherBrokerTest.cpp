// The publisher against a real broker, watched by a real subscriber.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "publish/Publisher.h"
#include "tests/publish/BrokerRig.h"

namespace {

QJsonObject Pass(int n) {
  const QJsonObject voltage{{"name", "Voltage"}, {"value", QString::number(12000 + n)}};
  return {{"start", QDateTime(QDate(2026, 12, 7), QTime(10, 0)).addSecs(n).toString(Qt::ISODate)},
          {"registers", QJsonArray{voltage}}};
}

std::vector<QJsonObject> Passes(int from, int to) {
  std::vector<QJsonObject> passes;
  for (int n = from; n <= to; ++n) passes.push_back(Pass(n));
  return passes;
}

struct Bench {
  explicit Bench(int port, std::size_t queueBound = kDefaultPassQueueBound)
      : publisher({{false, "127.0.0.1", port, "lab", {}}, "b1", {}, {}, queueBound},
                  {{}, [this](const QString& text) { notices << text; }}) {
    EXPECT_EQ(publisher.Start(std::chrono::seconds(10)), std::nullopt);
  }
  void Publish(int from, int to) {
    for (int n = from; n <= to; ++n) {
      publisher.PublishPass(Pass(n), {{"Voltage", QString::number(12000 + n)}});
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
  EXPECT_EQ(subscriber.Passes("lab/b1/pass"), Passes(1, 20));
  EXPECT_EQ(bench.publisher.Finish(std::chrono::seconds(5)), 0u);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Last("lab/b1/status") == "offline"; }));
  EXPECT_EQ(subscriber.Last("lab/b1/Voltage"), "12020");
  ASSERT_EQ(bench.notices.size(), 2) << bench.notices.join('\n').toStdString();
  EXPECT_TRUE(bench.notices[0].contains("passes wait in memory, up to 1440"));
  EXPECT_TRUE(bench.notices[1].contains("is back; sending the"));
}

// A broker that stops answering holds the passes in flight; the queue behind
// them keeps only the newest, and says how many it dropped.
TEST(PublisherBroker, PassesBeyondTheQueueDropTheOldestAndSayHowMany) {
  TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/+/pass");
  Bench bench(broker.Port(), 3);
  broker.Signal(SIGSTOP);
  const int inFlight = static_cast<int>(Publisher::kPassesInFlight);
  bench.Publish(1, inFlight + 5);
  broker.Signal(SIGCONT);
  EXPECT_EQ(bench.publisher.Finish(std::chrono::seconds(10)), 0u);
  std::vector<QJsonObject> kept = Passes(1, inFlight);
  for (const QJsonObject& pass : Passes(inFlight + 3, inFlight + 5)) kept.push_back(pass);
  EXPECT_TRUE(WaitFor([&] { return subscriber.Passes("lab/b1/pass").size() >= kept.size(); }));
  EXPECT_EQ(subscriber.Passes("lab/b1/pass"), kept);
  EXPECT_EQ(bench.notices, QStringList{"2 passes dropped, the oldest first, while the broker at "
                                       "127.0.0.1:" +
                                       QString::number(broker.Port()) +
                                       " could not take them: the queue holds 3"});
}
