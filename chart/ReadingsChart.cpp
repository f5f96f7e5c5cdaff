#include "chart/ReadingsChart.h"

#include <QLegendMarker>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "battery/RegisterTable.h"
#include "log/LogFormatter.h"

namespace {

constexpr double kMsPerHour = 3600.0 * 1000.0;
constexpr qint64 kMinuteMs = 60 * 1000;
constexpr int kLineWidth = 2;
constexpr int kLinesNamedBelow = 6;
// About as many steps as the time axis has room for labels.
constexpr double kTimeTicks = 8;

// Distinct colours, with the first ones for the registers charted most often.
const QColor kPalette[] = {
    QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
    QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
    QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
    QColor(0x17, 0xbe, 0xcf),
};

// The wall-clock time of a pass as the axis's local time.
qint64 ClockOffsetMs(qint64 wallClockMs) {
  const QDateTime wallClock = QDateTime::fromMSecsSinceEpoch(wallClockMs, Qt::UTC);
  return QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime).toMSecsSinceEpoch() -
         wallClockMs;
}

// The round step (1, 2 or 5 times a power of ten) at or above this one.
double RoundStep(double least) {
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  for (const double step : {1.0, 2.0, 5.0}) {
    if (step * power >= least) return step * power;
  }
  return 10 * power;
}

// The range of an axis's values as a person reads it: a little wider than
// the values, but not past 0 when they do not reach it, on round numbers.
void SetRange(QValueAxis& axis, double low, double high) {
  const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
  double from = low - margin;
  double to = high + margin;
  if (low >= 0) {
    from = std::max(0.0, from);
  } else if (high <= 0) {
    to = std::min(0.0, to);
  }
  axis.setRange(from, to);
  axis.applyNiceNumbers();
}

QString StampOf(qint64 wallClockMs) {
  return LogFormatter().TimeStamp(QDateTime::fromMSecsSinceEpoch(wallClockMs, Qt::UTC));
}

}  // namespace

void BridgeShortestGaps(std::vector<std::vector<QPointF>>& runs, int most) {
  if (static_cast<int>(runs.size()) <= most) return;
  // Gap i lies between runs i and i + 1.
  std::vector<std::size_t> gaps(runs.size() - 1);
  std::iota(gaps.begin(), gaps.end(), 0);
  const auto width = [&runs](std::size_t gap) {
    return runs[gap + 1].front().x() - runs[gap].back().x();
  };
  const std::size_t bridged = runs.size() - static_cast<std::size_t>(most);
  std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(bridged - 1),
                   gaps.end(),
                   [&width](std::size_t a, std::size_t b) { return width(a) < width(b); });
  std::vector<bool> bridge(runs.size() - 1, false);
  for (std::size_t i = 0; i < bridged; ++i) bridge[gaps[i]] = true;

  std::vector<std::vector<QPointF>> joined;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i > 0 && bridge[i - 1]) {
      joined.back().insert(joined.back().end(), runs[i].begin(), runs[i].end());
    } else {
      joined.push_back(std::move(runs[i]));
    }
  }
  runs = std::move(joined);
}

void ReadingsChart::AxisLines::Add(std::pair<double, double> range, const QColor& colour) {
  low = count == 0 ? range.first : std::min(low, range.first);
  high = count == 0 ? range.second : std::max(high, range.second);
  ++count;
  onlyColour = colour;
}

// An axis that carries one line takes its colour, so the eye finds its line.
void ReadingsChart::Scale(QValueAxis& axis, const AxisLines& lines) {
  SetRange(axis, lines.low, lines.high);
  const QColor colour = lines.count == 1 ? lines.onlyColour : QColor(Qt::black);
  axis.setLabelsColor(colour);
  axis.setTitleBrush(colour);
}

ReadingsChart::ReadingsChart(QChart& chart) : chart_(chart) {
  chart_.setLocalizeNumbers(false);
}

void ReadingsChart::SetNotes(QChart& chart, const QStringList& notes) {
  QString title = chart.title().section(QStringLiteral("<br>"), 0, 0);
  for (const QString& note : notes) {
    title += QStringLiteral("<br><small>%1</small>").arg(note.toHtmlEscaped());
  }
  chart.setTitle(title);
}

QString ReadingsChart::LineName(const LineKey& key) {
  return QStringLiteral("%1 (%2)").arg(QLatin1String(RegisterTable()[key.row].registerName),
                                       AxisUnit(key.axis));
}

QColor ReadingsChart::LineColour(const LineKey& key) {
  const auto at = colours_.find(key);
  if (at != colours_.end()) return at->second;
  const QColor colour = kPalette[colours_.size() % std::size(kPalette)];
  colours_[key] = colour;
  return colour;
}

void ReadingsChart::SetTimeAxis(TimeScale scale, qint64 firstMs, qint64 lastMs) {
  if (scale != scale_) {
    if (timeAxis_) {
      chart_.removeAxis(timeAxis_);
      delete timeAxis_;
    }
    if (scale == TimeScale::Clock) {
      timeAxis_ = new QDateTimeAxis;
    } else {
      auto* hours = new QValueAxis;
      hours->setLabelFormat(QStringLiteral("%g"));
      timeAxis_ = hours;
    }
    chart_.addAxis(timeAxis_, Qt::AlignBottom);
    for (auto& [key, line] : drawn_) {
      for (QLineSeries* run : line.runs) run->attachAxis(timeAxis_);
    }
    scale_ = scale;
  }
  if (auto* clock = qobject_cast<QDateTimeAxis*>(timeAxis_)) {
    clockOffsetMs_ = ClockOffsetMs(firstMs);
    const qint64 margin = lastMs > firstMs ? 0 : kMinuteMs / 2;
    clock->setFormat(lastMs - firstMs > 10 * kMinuteMs ? QStringLiteral("hh:mm")
                                                       : QStringLiteral("hh:mm:ss"));
    clock->setTitleText(QStringLiteral("Time on %1").arg(StampOf(firstMs).left(10)));
    clock->setRange(QDateTime::fromMSecsSinceEpoch(firstMs + clockOffsetMs_ - margin),
                    QDateTime::fromMSecsSinceEpoch(lastMs + clockOffsetMs_ + margin));
  } else if (auto* hours = qobject_cast<QValueAxis*>(timeAxis_)) {
    const double span = static_cast<double>(lastMs - firstMs) / kMsPerHour;
    hours->setTitleText(QStringLiteral("Hours since %1").arg(StampOf(firstMs)));
    hours->setRange(0, span);
    hours->setTickType(QValueAxis::TicksDynamic);
    hours->setTickAnchor(0);
    hours->setTickInterval(RoundStep(span / kTimeTicks));
  }
}

QValueAxis& ReadingsChart::ValueAxis(ChartAxis axis) {
  QValueAxis*& valueAxis = valueAxes_[axis];
  if (!valueAxis) {
    valueAxis = new QValueAxis;
    valueAxis->setTitleText(AxisUnit(axis));
    valueAxis->setLabelFormat(QStringLiteral("%g"));
    // The grid follows the first axis only: the others' would cross it.
    valueAxis->setGridLineVisible(valueAxes_.size() == 1);
    chart_.addAxis(valueAxis, valueAxes_.size() % 2 == 1 ? Qt::AlignLeft : Qt::AlignRight);
  }
  return *valueAxis;
}

QLineSeries& ReadingsChart::AddRunSeries(const LineKey& key, DrawnLine& line) {
  auto* run = new QLineSeries;
  run->setName(LineName(key));
  QPen pen(line.colour);
  pen.setWidth(kLineWidth);
  run->setPen(pen);
  chart_.addSeries(run);
  run->attachAxis(timeAxis_);
  run->attachAxis(&ValueAxis(key.axis));
  // The legend names a line once, by its first run.
  if (!line.runs.empty()) {
    for (QLegendMarker* marker : chart_.legend()->markers(run)) marker->setVisible(false);
  }
  line.runs.push_back(run);
  return *run;
}

ReadingsChart::DrawnLine& ReadingsChart::Drawn(const LineKey& key) {
  auto at = drawn_.find(key);
  if (at != drawn_.end()) return at->second;
  DrawnLine& line = drawn_[key];
  line.colour = LineColour(key);
  AddRunSeries(key, line);
  return line;
}

QList<QPointF> ReadingsChart::OnTimeAxis(const std::vector<QPointF>& run, qint64 firstMs) const {
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(run.size()));
  for (const QPointF& point : run) {
    const double x = scale_ == TimeScale::Clock
                         ? point.x() + static_cast<double>(clockOffsetMs_)
                         : (point.x() - static_cast<double>(firstMs)) / kMsPerHour;
    points.append(QPointF(x, point.y()));
  }
  return points;
}

void ReadingsChart::Draw(const PassSeries& series, const std::set<int>& hiddenRows) {
  if (!series.LastMs()) return;
  const qint64 firstMs = *series.FirstMs();
  const qint64 lastMs = *series.LastMs();
  SetTimeAxis(lastMs - firstMs < kClockTimeSpanMs ? TimeScale::Clock : TimeScale::Hours, firstMs,
              lastMs);
  // Axes are added in the order of their units, so that the same units
  // stand on the same side in every chart.
  std::set<ChartAxis> axes;
  for (const auto& [key, line] : series.Lines()) axes.insert(key.axis);
  for (const ChartAxis axis : axes) ValueAxis(axis);

  std::map<ChartAxis, AxisLines> axisLines;
  for (const auto& [key, line] : series.Lines()) {
    DrawnLine& drawn = Drawn(key);
    const bool shown = hiddenRows.count(key.row) == 0;
    std::vector<std::vector<QPointF>> runs;
    if (shown) runs = line.Runs();
    BridgeShortestGaps(runs, kMostRunsALine);
    while (drawn.runs.size() < runs.size()) AddRunSeries(key, drawn);
    for (std::size_t i = 0; i < drawn.runs.size(); ++i) {
      drawn.runs[i]->replace(i < runs.size() ? OnTimeAxis(runs[i], firstMs) : QList<QPointF>());
    }
    for (QLegendMarker* marker : chart_.legend()->markers(drawn.runs.front())) {
      marker->setVisible(shown);
    }
    const auto range = shown ? line.ValueRange() : std::nullopt;
    if (range) axisLines[key.axis].Add(*range, drawn.colour);
  }
  // A few lines are named under the chart, many in a column beside it.
  int shownLines = 0;
  for (const auto& [axis, lines] : axisLines) shownLines += lines.count;
  chart_.legend()->setAlignment(shownLines > kLinesNamedBelow ? Qt::AlignRight : Qt::AlignBottom);
  for (auto& [axis, valueAxis] : valueAxes_) {
    const auto lines = axisLines.find(axis);
    valueAxis->setVisible(lines != axisLines.end());
    if (lines != axisLines.end()) Scale(*valueAxis, lines->second);
  }
}
