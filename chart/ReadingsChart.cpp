#include "chart/ReadingsChart.h"

#include <QGraphicsItemGroup>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLegendMarker>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "chart/ChartRegisters.h"
#include "chart/Milliseconds.h"
#include "log/LogFormatter.h"

namespace {

constexpr int kLineWidth = 2;
constexpr int kLinesNamedBelow = 6;
// About as many steps as a value axis shows.
constexpr double kValueTicks = 6;
// The time axis has room for a label about this wide, a date and time.
constexpr double kTimeLabelRoom = 120;

// Distinct colours, with the first ones for the registers charted most often;
// after them the colours come again with dashes, then dots, so that no two
// of up to 36 lines look alike.
const QColor kPalette[] = {
    QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
    QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
    QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
    QColor(0x17, 0xbe, 0xcf), QColor(0x00, 0x00, 0x80), QColor(0x00, 0x00, 0x00),
};
const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
// Logs compared take a colour each, so their registers take a style each.
const Qt::PenStyle kComparedStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                        Qt::DashDotDotLine};
static_assert(std::size(kPalette) == ReadingsChart::kMostComparedLogs);
static_assert(std::size(kComparedStyles) == ReadingsChart::kMostComparedRegisters);

// Text grows with the picture: this size at 1200 by 700 pixels.
constexpr double kFontPixelsAtBase = 12;
constexpr double kBaseArea = 1200.0 * 700.0;
constexpr int kSmallestFontPixels = 9;
// Laying out, finding labels cut and making room, at most this often a drawing.
constexpr int kMostFittings = 40;
// Qt Charts ends a label it had to cut with this.
const QLatin1String kCutMark("...");
constexpr int kLargestFontPixels = 32;

// The round step (1, 2 or 5 times a power of ten) at or above this one.
double RoundStep(double least) {
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  for (const double step : {1.0, 2.0, 5.0}) {
    if (step * power >= least) return step * power;
  }
  return 10 * power;
}

// The least span an axis shows in its unit, so that noise of a few counts
// does not fill the height.
double LeastSpan(ChartAxis axis) {
  switch (axis) {
    case ChartAxis::Volts:
    case ChartAxis::Amps:
      return 0.1;
    case ChartAxis::DegreesCelsius:
    case ChartAxis::Percent:
    case ChartAxis::Count:
      return 10;
    case ChartAxis::Minutes:
      return 60;
    case ChartAxis::TrueFalse:
      return 1;
    case ChartAxis::TenMilliwatts:
    case ChartAxis::MilliampsOrTenMilliwatts:
    case ChartAxis::MilliampHours:
    case ChartAxis::TenMilliwattHours:
    case ChartAxis::MilliampHoursOrTenMilliwattHours:
      return 100;
  }
  return 1;
}

// The range of an axis's values as a person reads it: at least its least
// span, a little wider than the values, not past 0 when they do not reach
// it, from and to round numbers with a tick at each round step.
void SetRange(QValueAxis& axis, ChartAxis unit, double low, double high) {
  const double least = LeastSpan(unit);
  double from = low;
  double to = high;
  if (to - from < least) {
    from = (low + high - least) / 2;
    to = from + least;
  }
  const double margin = (to - from) * 0.05;
  from -= margin;
  to += margin;
  if (low >= 0 && from < 0) {
    to -= from;
    from = 0;
  } else if (high <= 0 && to > 0) {
    from -= to;
    to = 0;
  }
  const double step = RoundStep((to - from) / kValueTicks);
  from = std::floor(from / step) * step;
  to = std::ceil(to / step) * step;
  axis.setRange(from, to);
  axis.setTickType(QValueAxis::TicksDynamic);
  axis.setTickAnchor(0);
  axis.setTickInterval(step);
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

void SplitAtBreaks(std::vector<std::vector<QPointF>>& runs,
                   const std::vector<TimeAxisMap::Break>& breaks) {
  if (breaks.empty()) return;
  // A level stretch is held by its ends only: where it spans a break, its
  // pieces end and begin at the break.
  const auto at = [](const QPointF& a, const QPointF& b, double x) {
    const double share = b.x() > a.x() ? (x - a.x()) / (b.x() - a.x()) : 0;
    return QPointF(x, a.y() + share * (b.y() - a.y()));
  };
  std::vector<std::vector<QPointF>> split;
  for (std::vector<QPointF>& run : runs) {
    std::vector<QPointF> piece;
    auto next = breaks.begin();
    for (const QPointF& point : run) {
      while (next != breaks.end() && !piece.empty() &&
             static_cast<double>(next->beforeX) < piece.back().x()) {
        ++next;
      }
      while (next != breaks.end() && !piece.empty() &&
             piece.back().x() <= static_cast<double>(next->beforeX) &&
             point.x() >= static_cast<double>(next->afterX)) {
        const QPointF from = piece.back();
        if (from.x() < static_cast<double>(next->beforeX)) {
          piece.push_back(at(from, point, static_cast<double>(next->beforeX)));
        }
        split.push_back(std::exchange(piece, {}));
        if (point.x() > static_cast<double>(next->afterX)) {
          piece.push_back(at(from, point, static_cast<double>(next->afterX)));
        }
        ++next;
      }
      piece.push_back(point);
    }
    if (!piece.empty()) split.push_back(std::move(piece));
  }
  runs = std::move(split);
}

void ReadingsChart::AxisLines::Add(std::pair<double, double> range, const QColor& colour) {
  low = count == 0 ? range.first : std::min(low, range.first);
  high = count == 0 ? range.second : std::max(high, range.second);
  ++count;
  onlyColour = colour;
}

// An axis that carries one line takes its colour, so the eye finds its line.
void ReadingsChart::Scale(QValueAxis& axis, ChartAxis unit, const AxisLines& lines) const {
  if (!held_) SetRange(axis, unit, lines.low, lines.high);
  const QColor colour = lines.count == 1 ? lines.onlyColour : QColor(Qt::black);
  axis.setLabelsColor(colour);
  axis.setTitleBrush(colour);
}

// A few lines are named under the chart, many in a column beside it.
void ReadingsChart::ScaleValueAxes(const std::map<ChartAxis, AxisLines>& axisLines) {
  int shownLines = 0;
  for (const auto& [axis, lines] : axisLines) shownLines += lines.count;
  chart_.legend()->setAlignment(shownLines > kLinesNamedBelow ? Qt::AlignRight : Qt::AlignBottom);
  for (auto& [axis, valueAxis] : valueAxes_) {
    const auto lines = axisLines.find(axis);
    valueAxis->setVisible(lines != axisLines.end());
    if (lines != axisLines.end()) Scale(*valueAxis, axis, lines->second);
  }
}

void ReadingsChart::AddTimeAxis() {
  if (timeAxis_) return;
  timeAxis_ = new QCategoryAxis;
  timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  chart_.addAxis(timeAxis_, Qt::AlignBottom);
}

ReadingsChart::ReadingsChart(QChart& chart, TimeScale scale) : chart_(chart), scale_(scale) {
  chart_.setLocalizeNumbers(false);
  // The legend shows each line's stroke, so dashed and dotted lines of a
  // colour used before are told apart there too.
  chart_.legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
}

void ReadingsChart::SetNotes(QChart& chart, const QStringList& notes) {
  QString title = chart.title().section(QStringLiteral("<br>"), 0, 0);
  for (const QString& note : notes) {
    title += QStringLiteral("<br><small>%1</small>").arg(note.toHtmlEscaped());
  }
  chart.setTitle(title);
}

QString ReadingsChart::ReadOut(const PassSeries& series, double x,
                               const std::set<int>& hiddenRows) const {
  QString text;
  if (along_ == PassSeries::Along::Charge && series.ChargeExtent()) {
    text = QStringLiteral("%1 mAh delivered")
               .arg(x / PassSeries::kMicroampHoursPerMilliampHour, 0, 'f', 0);
  } else {
    const auto ms = static_cast<qint64>(x);
    const qint64 s = ms / 1000;
    text = QStringLiteral("%1 (%2:%3:%4 elapsed)")
               .arg(StampOf(series.Time().WallClockAt(ms)))
               .arg(s / 3600)
               .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
               .arg(s % 60, 2, 10, QLatin1Char('0'));
  }
  QStringList values;
  for (const auto& [key, line] : series.Lines(along_)) {
    if (hiddenRows.count(key.row)) continue;
    for (const std::vector<QPointF>& run : line.Runs()) {
      if (run.empty() || x < run.front().x() || x > run.back().x()) continue;
      const auto after = std::lower_bound(run.begin(), run.end(), x,
                                          [](const QPointF& p, double v) { return p.x() < v; });
      const QPointF& b = *after;
      const QPointF& a = after == run.begin() ? b : *(after - 1);
      const double y =
          b.x() > a.x() ? a.y() + (x - a.x()) / (b.x() - a.x()) * (b.y() - a.y()) : b.y();
      values << QStringLiteral("%1 %2 %3")
                    .arg(QLatin1String(ChartRegister(key.row).registerName))
                    .arg(y, 0, 'g', 5)
                    .arg(AxisUnit(key.axis));
      break;
    }
  }
  return values.isEmpty() ? text : text + QStringLiteral(": ") + values.join(QStringLiteral(", "));
}

QString ReadingsChart::LineName(const LineKey& key) {
  return QStringLiteral("%1 (%2)").arg(QLatin1String(ChartRegister(key.row).registerName),
                                       AxisUnit(key.axis));
}

QColor ReadingsChart::LineColour(const LineKey& key) {
  const auto at = colours_.find(key);
  if (at != colours_.end()) return at->second;
  const std::size_t index = colours_.size();
  const QColor colour = kPalette[index % std::size(kPalette)];
  colours_[key] = colour;
  styles_[key] = kStyles[(index / std::size(kPalette)) % std::size(kStyles)];
  return colour;
}

Qt::PenStyle ReadingsChart::LineStyle(const LineKey& key) {
  LineColour(key);
  return styles_[key];
}

int ReadingsChart::FontPixels() const {
  const QSizeF size = chart_.size();
  const double scaled = kFontPixelsAtBase * std::sqrt(size.width() * size.height() / kBaseArea);
  return std::clamp(static_cast<int>(std::lround(scaled)), kSmallestFontPixels, kLargestFontPixels);
}

// Only when the size or the axes changed: setting a font lays the chart out again.
void ReadingsChart::ScaleFonts() {
  const int pixels = FontPixels();
  const auto axisCount = static_cast<int>(chart_.axes().size());
  if (pixels == fontPixels_ && axisCount == fontAxes_) return;
  fontPixels_ = pixels;
  fontAxes_ = axisCount;
  const auto sized = [pixels](QFont font, double factor = 1.0) {
    font.setPixelSize(std::max(kSmallestFontPixels, static_cast<int>(pixels * factor)));
    return font;
  };
  chart_.setTitleFont(sized(chart_.titleFont(), 1.15));
  chart_.legend()->setFont(sized(chart_.legend()->font()));
  for (QAbstractAxis* axis : chart_.axes()) {
    axis->setLabelsFont(sized(axis->labelsFont()));
    axis->setTitleFont(sized(axis->titleFont()));
    axis->setLabelsVisible(true);
    axis->setTitleVisible(true);
  }
  valueFontPixels_ = pixels;
  labelRoom_ = kTimeLabelRoom * pixels / kFontPixelsAtBase;
  unlabelled_.clear();
}

int ReadingsChart::MostBottomTicks() const {
  const double room =
      labelRoom_ > 0 ? labelRoom_ : kTimeLabelRoom * FontPixels() / kFontPixelsAtBase;
  return std::max(1, static_cast<int>(chart_.size().width() / room));
}

// Qt Charts gives the value axes at most 0.4 of the width between them and
// each bottom label an even share of it, and cuts what does not fit. Its
// labels are text items: those of an axis in a group of their own.
ReadingsChart::CutLabels ReadingsChart::FindCutLabels() const {
  CutLabels cut;
  const QRectF plot = chart_.plotArea();
  for (QGraphicsItem* item : chart_.scene()->items()) {
    const auto* text = qgraphicsitem_cast<QGraphicsTextItem*>(item);
    if (!text || !text->isVisible() || !chart_.isAncestorOf(item) ||
        chart_.legend()->isAncestorOf(item) || !text->toPlainText().endsWith(kCutMark)) {
      continue;
    }
    const QRectF at = chart_.mapRectFromScene(item->sceneBoundingRect());
    const bool tickLabel =
        item->parentItem() && qgraphicsitem_cast<QGraphicsItemGroup*>(item->parentItem());
    if (at.top() >= plot.bottom()) {
      cut.bottom = cut.bottom || tickLabel;
    } else if (at.bottom() > plot.top()) {
      cut.side = true;
    }
  }
  return cut;
}

void ReadingsChart::SetValueAxisFonts(int pixels) {
  valueFontPixels_ = pixels;
  for (auto& [unit, axis] : valueAxes_) {
    QFont labels = axis->labelsFont();
    labels.setPixelSize(pixels);
    axis->setLabelsFont(labels);
    QFont title = axis->titleFont();
    title.setPixelSize(pixels);
    axis->setTitleFont(title);
  }
}

// The last axis shown that still has its numbers loses them, and its title.
bool ReadingsChart::LeaveOutAScale() {
  for (auto at = valueAxes_.rbegin(); at != valueAxes_.rend(); ++at) {
    if (!at->second->isVisible() || unlabelled_.count(at->first)) continue;
    at->second->setLabelsVisible(false);
    at->second->setTitleVisible(false);
    unlabelled_.insert(at->first);
    return true;
  }
  return false;
}

// Lays the chart out and, while a label is cut, makes room: fewer labels
// along the bottom; smaller type on the value axes, then an axis without its
// numbers.
void ReadingsChart::FitLabels(const std::function<void()>& setBottomAxis) {
  if (!chart_.scene() || !chart_.layout()) return;
  for (int fitting = 0; fitting < kMostFittings; ++fitting) {
    chart_.layout()->activate();
    const CutLabels cut = FindCutLabels();
    if (!cut.bottom && !cut.side) return;
    if (cut.bottom && MostBottomTicks() > 1) {
      labelRoom_ = chart_.size().width() / (MostBottomTicks() - 1);
      setBottomAxis();
    }
    if (cut.side) {
      if (valueFontPixels_ > kSmallestFontPixels) {
        SetValueAxisFonts(valueFontPixels_ - 1);
      } else if (!LeaveOutAScale()) {
        return;
      }
    }
  }
}

QStringList ReadingsChart::LeftOutScales() const {
  QStringList units;
  for (const ChartAxis axis : unlabelled_) {
    const auto at = valueAxes_.find(axis);
    if (at != valueAxes_.end() && at->second->isVisible()) units << AxisUnit(axis);
  }
  return units;
}

void ReadingsChart::SetBottomTicks(const std::vector<TimeTick>& ticks, double from, double to) {
  if (held_) {
    from = timeAxis_->min();
    to = timeAxis_->max();
  }
  // Only when they changed: each label set lays the chart out again.
  if (ticks == bottomTicks_) {
    timeAxis_->setRange(from, to);
    return;
  }
  bottomTicks_ = ticks;
  for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
  timeAxis_->setStartValue(from);
  // An axis takes each label once: the same clock time on another day, or
  // again after the clock was set back, is told apart by spaces around it.
  QSet<QString> taken;
  for (const TimeTick& tick : ticks) {
    QString label = tick.label;
    while (taken.contains(label)) label = QLatin1Char(' ') + label + QLatin1Char(' ');
    taken.insert(label);
    timeAxis_->append(label, static_cast<double>(tick.x));
  }
  timeAxis_->setRange(from, to);
}

// The charge delivered along the bottom, in mAh on round numbers.
void ReadingsChart::SetChargeAxis(std::pair<qint64, qint64> extent) {
  constexpr double kPerMah = PassSeries::kMicroampHoursPerMilliampHour;
  const double low = static_cast<double>(extent.first) / kPerMah;
  const double high = static_cast<double>(extent.second) / kPerMah;
  const int most = MostBottomTicks();
  const double step = RoundStep(std::max(high - low, 1.0) / most);
  const double from = std::floor(low / step) * step;
  const double to = std::max(std::ceil(high / step) * step, from + step);
  std::vector<TimeTick> ticks;
  for (double mah = from; mah <= to + step / 2; mah += step) {
    ticks.push_back({std::llround(mah * kPerMah), QString::number(mah, 'g', 8)});
  }
  SetBottomTicks(ticks, from * kPerMah, to * kPerMah);
  timeAxis_->setTitleText(QStringLiteral("Charge delivered since the first pass (mAh)"));
}

void ReadingsChart::SetTimeAxis(const PassSeries& series) {
  const qint64 firstMs = *series.FirstMs();
  const qint64 lastMs = *series.LastMs();
  const qint64 margin = lastMs > firstMs ? 0 : kMinuteMs / 2;
  const bool clock = scale_ == TimeScale::Clock ||
                     (scale_ == TimeScale::Chosen && lastMs - firstMs < kClockTimeSpanMs);
  const int most = MostBottomTicks();
  const qint64 from = held_ ? static_cast<qint64>(timeAxis_->min()) : firstMs - margin;
  const qint64 to = held_ ? static_cast<qint64>(timeAxis_->max()) : lastMs + margin;
  const std::vector<TimeTick> ticks =
      clock ? ClockTicks(series.Time(), from, to, most) : ElapsedTicks(from, to, most);
  SetBottomTicks(ticks, static_cast<double>(firstMs - margin),
                 static_cast<double>(lastMs + margin));
  timeAxis_->setTitleText(
      clock ? QStringLiteral("Time on the log's clock")
            : QStringLiteral("h:mm since %1").arg(StampOf(series.Time().FirstWallClockMs())));
}

// Upright lines at these places, across the first axis shown: dashed grey
// where time breaks, dotted orange at events.
void ReadingsChart::Mark(std::vector<QLineSeries*>& marks, const std::vector<double>& xs,
                         const QPen& pen) {
  QValueAxis* axis = nullptr;
  for (auto& [unit, valueAxis] : valueAxes_) {
    if (valueAxis->isVisible()) {
      axis = valueAxis;
      break;
    }
  }
  const std::size_t marked = axis ? std::min<std::size_t>(xs.size(), kMostMarks) : 0;
  while (marks.size() < marked) {
    auto* mark = new QLineSeries;
    mark->setPen(pen);
    chart_.addSeries(mark);
    mark->attachAxis(timeAxis_);
    mark->attachAxis(axis);
    for (QLegendMarker* marker : chart_.legend()->markers(mark)) marker->setVisible(false);
    marks.push_back(mark);
  }
  for (std::size_t i = 0; i < marks.size(); ++i) {
    QList<QPointF> points;
    if (i < marked) {
      const QValueAxis* own = nullptr;
      for (QAbstractAxis* attached : marks[i]->attachedAxes()) {
        if (attached->orientation() == Qt::Vertical) own = qobject_cast<QValueAxis*>(attached);
      }
      if (own) points = {QPointF(xs[i], own->min()), QPointF(xs[i], own->max())};
    }
    marks[i]->replace(points);
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
  pen.setStyle(line.style);
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
  line.style = LineStyle(key);
  AddRunSeries(key, line);
  return line;
}

void ReadingsChart::Draw(const PassSeries& series, const std::set<int>& hiddenRows) {
  if (!series.LastMs()) return;
  AddTimeAxis();
  const bool alongCharge = along_ == PassSeries::Along::Charge && series.ChargeExtent();
  if (alongCharge) {
    SetChargeAxis(*series.ChargeExtent());
  } else {
    SetTimeAxis(series);
  }
  const std::vector<TimeAxisMap::Break> breaks =
      alongCharge ? std::vector<TimeAxisMap::Break>{} : series.BreaksKept();
  const auto& lines =
      series.Lines(alongCharge ? PassSeries::Along::Charge : PassSeries::Along::Time);
  // Axes are added in the order of their units, so that the same units
  // stand on the same side in every chart.
  std::set<ChartAxis> axes;
  for (const auto& [key, line] : lines) axes.insert(key.axis);
  for (const ChartAxis axis : axes) ValueAxis(axis);

  std::map<ChartAxis, AxisLines> axisLines;
  for (const auto& [key, line] : lines) {
    DrawnLine& drawn = Drawn(key);
    const bool shown = hiddenRows.count(key.row) == 0;
    std::vector<std::vector<QPointF>> runs;
    if (shown) runs = line.Runs();
    BridgeShortestGaps(runs, kMostRunsALine);
    SplitAtBreaks(runs, breaks);
    while (drawn.runs.size() < runs.size()) AddRunSeries(key, drawn);
    for (std::size_t i = 0; i < drawn.runs.size(); ++i) {
      drawn.runs[i]->replace(i < runs.size() ? QList<QPointF>(runs[i].begin(), runs[i].end())
                                             : QList<QPointF>());
    }
    for (QLegendMarker* marker : chart_.legend()->markers(drawn.runs.front())) {
      marker->setVisible(shown);
    }
    const auto range = shown ? line.ValueRange() : std::nullopt;
    if (range) axisLines[key.axis].Add(*range, drawn.colour);
  }
  ScaleValueAxes(axisLines);
  std::vector<double> breakXs;
  for (const TimeAxisMap::Break& brk : breaks) {
    breakXs.push_back(static_cast<double>(brk.beforeX + brk.afterX) / 2);
  }
  QPen breakPen(QColor(0x60, 0x60, 0x60), 1, Qt::DashLine);
  Mark(breakMarks_, breakXs, breakPen);
  std::vector<double> eventXs;
  if (showEvents_ && !alongCharge) {
    for (const PassEvent& event : series.Events().Events()) {
      eventXs.push_back(static_cast<double>(event.x));
    }
  }
  QPen eventPen(QColor(0xe0, 0x70, 0x00), 1, Qt::DotLine);
  Mark(eventMarks_, eventXs, eventPen);
  ScaleFonts();
  FitLabels([&] {
    if (alongCharge) {
      SetChargeAxis(*series.ChargeExtent());
    } else {
      SetTimeAxis(series);
    }
  });
}

// The longest log sets the axis: each is drawn from 0, its first pass kept.
void ReadingsChart::SetComparedTimeAxis(const std::vector<ComparedLog>& logs) {
  qint64 longest = 0;
  for (const ComparedLog& log : logs) {
    longest = std::max(longest, *log.series->LastMs() - *log.series->FirstMs());
  }
  const qint64 margin = longest > 0 ? 0 : kMinuteMs / 2;
  const int most = MostBottomTicks();
  SetBottomTicks(ElapsedTicks(-margin, longest + margin, most), static_cast<double>(-margin),
                 static_cast<double>(longest + margin));
  timeAxis_->setTitleText(QStringLiteral("h:mm since each log's first record"));
}

void ReadingsChart::DrawComparedLog(const ComparedLog& log, const QColor& colour,
                                    const std::map<int, Qt::PenStyle>& styles,
                                    std::map<ChartAxis, AxisLines>& axisLines) {
  const bool alongCharge = along_ == PassSeries::Along::Charge;
  const PassSeries& series = *log.series;
  const double shift = alongCharge ? 0 : -static_cast<double>(*series.FirstMs());
  const std::vector<TimeAxisMap::Break> breaks =
      alongCharge ? std::vector<TimeAxisMap::Break>{} : series.BreaksKept();
  for (const auto& [key, line] : series.Lines(along_)) {
    std::vector<std::vector<QPointF>> runs = line.Runs();
    BridgeShortestGaps(runs, kMostRunsALine);
    SplitAtBreaks(runs, breaks);
    QPen pen(colour);
    pen.setWidth(kLineWidth);
    pen.setStyle(styles.at(key.row));
    for (std::size_t i = 0; i < runs.size(); ++i) {
      auto* run = new QLineSeries;
      run->setName(QStringLiteral("%1: %2").arg(log.name, LineName(key)));
      run->setPen(pen);
      QList<QPointF> points;
      points.reserve(static_cast<qsizetype>(runs[i].size()));
      for (const QPointF& point : runs[i]) points << QPointF(point.x() + shift, point.y());
      run->replace(points);
      chart_.addSeries(run);
      run->attachAxis(timeAxis_);
      run->attachAxis(&ValueAxis(key.axis));
      for (QLegendMarker* marker : chart_.legend()->markers(run)) marker->setVisible(i == 0);
    }
    if (const auto range = line.ValueRange()) axisLines[key.axis].Add(*range, colour);
  }
}

// A log's breaks dashed, and its events dotted, in its colour.
void ReadingsChart::MarkComparedLog(const ComparedLog& log, const QColor& colour) {
  if (along_ == PassSeries::Along::Charge) return;
  const PassSeries& series = *log.series;
  const auto first = static_cast<double>(*series.FirstMs());
  std::vector<double> breakXs;
  for (const TimeAxisMap::Break& brk : series.BreaksKept()) {
    breakXs.push_back(static_cast<double>(brk.beforeX + brk.afterX) / 2 - first);
  }
  std::vector<QLineSeries*> breakMarks;
  Mark(breakMarks, breakXs, QPen(colour, 1, Qt::DashLine));
  if (!showEvents_) return;
  std::vector<double> eventXs;
  for (const PassEvent& event : series.Events().Events()) {
    eventXs.push_back(static_cast<double>(event.x) - first);
  }
  std::vector<QLineSeries*> eventMarks;
  Mark(eventMarks, eventXs, QPen(colour, 1, Qt::DotLine));
}

void ReadingsChart::DrawCompared(const std::vector<ComparedLog>& logs) {
  std::vector<ComparedLog> drawn;
  for (const ComparedLog& log : logs) {
    if (log.series->LastMs()) drawn.push_back(log);
  }
  if (drawn.empty()) return;
  AddTimeAxis();
  std::pair<qint64, qint64> extent{0, 0};
  for (const ComparedLog& log : drawn) {
    if (const auto own = log.series->ChargeExtent()) {
      extent = {std::min(extent.first, own->first), std::max(extent.second, own->second)};
    }
  }
  const auto setBottomAxis = [&] {
    if (along_ == PassSeries::Along::Charge) {
      SetChargeAxis(extent);
    } else {
      SetComparedTimeAxis(drawn);
    }
  };
  setBottomAxis();
  // The same register has the same style in every log, its axis the same side.
  std::set<int> rows;
  std::set<ChartAxis> axes;
  for (const ComparedLog& log : drawn) {
    for (const auto& [key, line] : log.series->Lines(along_)) {
      rows.insert(key.row);
      axes.insert(key.axis);
    }
  }
  std::map<int, Qt::PenStyle> styles;
  for (const int row : rows) {
    styles[row] = kComparedStyles[styles.size() % std::size(kComparedStyles)];
  }
  for (const ChartAxis axis : axes) ValueAxis(axis);
  std::map<ChartAxis, AxisLines> axisLines;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    DrawComparedLog(drawn[i], kPalette[i % std::size(kPalette)], styles, axisLines);
  }
  ScaleValueAxes(axisLines);
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    MarkComparedLog(drawn[i], kPalette[i % std::size(kPalette)]);
  }
  ScaleFonts();
  FitLabels(setBottomAxis);
}
