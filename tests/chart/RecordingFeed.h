#pragma once

#include <QString>
#include <vector>

#include "ChartPass.h"
#include "LogFormatter.h"

// Keeps every pass it is handed, its texts copied: a reader's texts live
// only for the hand-over.
class RecordingFeed : public PassFeed {
 public:
  void AddPass(const ChartPass& pass) override {
    ChartPass copy{pass.start, {}};
    for (const ChartReading& reading : pass.readings) {
      copy.readings.push_back(
          {reading.row, QString(reading.text.data(), reading.text.size()), reading.givenUp});
    }
    passes.push_back(std::move(copy));
  }

  // A pass as one line: "09:51:39 9=12283 10=-1500 15=given up".
  QString Describe(std::size_t index) const {
    const ChartPass& pass = passes.at(index);
    QString text = pass.start.toString(QStringLiteral("HH:mm:ss"));
    for (const ChartReading& reading : pass.readings) {
      text += QStringLiteral(" %1=%2")
                  .arg(reading.row)
                  .arg(reading.givenUp ? "given up" : reading.text);
    }
    return text;
  }

  std::vector<ChartPass> passes;
};
