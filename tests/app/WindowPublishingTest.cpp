// The window's passes reach a real broker, watched by a real subscriber, and
// the window's title says how the broker stands.
#include <QJsonArray>

#include "tests/app/ThreadedWindowFixture.h"
#include "tests/publish/BrokerRig.h"

namespace {

using WindowPublishingTest = ThreadedWindowFixture;

TEST_F(WindowPublishingTest, EachReadPassGoesToTheBrokerWithItsValuesTyped) {
  TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/#");
  Publisher publisher({{false, "127.0.0.1", broker.Port(), "lab", {}}, "w1", {}, {}, 10, {}, false},
                      {[&](BrokerState state) { form().ShowBrokerState(state); }, {}});
  ASSERT_EQ(publisher.Start(std::chrono::seconds(10)), std::nullopt);
  form().PublishPasses(publisher, "w1");
  EXPECT_TRUE(form().windowTitle().endsWith(" - [MQTT online]"))
      << form().windowTitle().toStdString();

  form().SelectBtnClick();                // Deselect All
  form().Row(9).ChkBx->setChecked(true);  // Voltage
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  ASSERT_TRUE(WaitFor([&] { return !subscriber.Passes("lab/w1/pass").empty(); }));
  const QJsonObject pass = subscriber.Passes("lab/w1/pass").front();
  EXPECT_EQ(pass["station"].toString(), "w1");
  EXPECT_EQ(pass["port"].toInt(), 1);
  EXPECT_EQ(pass["address"].toString(), "16");
  const QJsonObject voltage = pass["registers"].toArray().first().toObject();
  EXPECT_EQ(voltage["name"].toString(), "Voltage");
  EXPECT_EQ(voltage["raw"].toInt(), form().Row(9).Data->text().toInt());
  EXPECT_TRUE(WaitFor([&] { return !subscriber.Last("lab/w1/Voltage").isEmpty(); }));

  // A write pass is no reading: nothing more is published for it.
  form().TabSet1->setCurrentIndex(1);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  QTest::qWait(300);
  EXPECT_EQ(subscriber.Passes("lab/w1/pass").size(), 1u);

  broker.Signal(SIGKILL, true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form().windowTitle().contains("broker away"); }, 10000))
      << form().windowTitle().toStdString();
}

}  // namespace
