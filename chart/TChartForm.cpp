#include "chart/TChartForm.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollBar>

#include "chart/ChartRegisters.h"
#include "log/LogFormatter.h"

namespace {

// A drawing waits this long after the one before at least, and longer when
// drawing takes long, so that it never takes more than a twentieth of the time.
constexpr qint64 kLeastDrawingGapMs = 1000;
constexpr qint64 kDrawingShare = 20;
// A pass left undrawn is drawn when no other has come for twice the time
// between passes, and two seconds at least: the scan has stopped or slowed,
// and the drawing does not fall into a pass under way.
constexpr qint64 kLeastCatchUpMs = 2000;
// Buckets a line: about the chart's width in pixels on a large screen.
constexpr int kBucketsALine = 1024;
constexpr int kSwatchSize = 12;

// The registers of a discharge test's curve show at first, when the scan
// reads any of them; else every register does.
bool ShownAtFirst(int row, const PassSeries& series) {
  static const QStringList curve{"Temperature", "Voltage", "Current", "RelStateOfCharge",
                                 "RemainingCapacity"};
  const auto inCurve = [](int r) {
    return curve.contains(QLatin1String(RegisterTable()[r].registerName));
  };
  const bool anyOfCurve = std::any_of(series.Lines().begin(), series.Lines().end(),
                                      [&](const auto& line) { return inCurve(line.first.row); });
  return !anyOfCurve || inCurve(row);
}

QIcon Swatch(const QColor& colour) {
  QPixmap pixmap(kSwatchSize, kSwatchSize);
  pixmap.fill(colour);
  return QIcon(pixmap);
}

}  // namespace

PassSeries::Options TChartForm::SeriesOptions() {
  return {{}, kKept, kBucketsALine, {}, {}};
}

TChartForm::TChartForm(PassSeries& series, QWidget* parent)
    : QWidget(parent, Qt::Window),
      series_(series),
      chart_(new QChart),
      view_(new View(chart_)),
      readings_(*chart_) {
  setObjectName(QStringLiteral("ChartForm"));
  setWindowTitle(QStringLiteral("Chart"));
  chart_->legend()->hide();
  view_->setObjectName(QStringLiteral("ChartView"));
  view_->setAccessibleName(QStringLiteral("Chart of the readings"));

  boxList_ = new QWidget;
  boxes_ = new QVBoxLayout(boxList_);
  boxes_->addStretch();
  boxScroll_ = new QScrollArea;
  boxScroll_->setWidget(boxList_);
  boxScroll_->setWidgetResizable(true);
  boxScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addWidget(boxScroll_);
  resize(1200, 700);

  catchUp_.setSingleShot(true);
  connect(&catchUp_, &QTimer::timeout, this, &TChartForm::QueueDraw);
}

void TChartForm::View::paintEvent(QPaintEvent* event) {
  QElapsedTimer painting;
  painting.start();
  QChartView::paintEvent(event);
  paintingMs = painting.elapsed();
}

QCheckBox* TChartForm::CheckBoxOf(int row) const {
  const auto at = checkBoxes_.find(row);
  return at == checkBoxes_.end() ? nullptr : at->second;
}

void TChartForm::AddPass(const ChartPass& pass) {
  series_.AddPass(pass);
  const qint64 betweenPasses = sinceLastPass_.isValid() ? sinceLastPass_.restart() : 0;
  if (!sinceLastPass_.isValid()) sinceLastPass_.start();
  if (!isVisible() || drawQueued_) return;
  const qint64 gap = std::max(kLeastDrawingGapMs, kDrawingShare * (drawingMs_ + view_->paintingMs));
  if (sinceDrawn_.isValid() && sinceDrawn_.elapsed() < gap) {
    catchUp_.start(static_cast<int>(std::max(kLeastCatchUpMs, 2 * betweenPasses)));
    return;
  }
  QueueDraw();
}

void TChartForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  QueueDraw();
}

// Drawn from the event loop once the hand-over of the pass has returned.
void TChartForm::QueueDraw() {
  if (drawQueued_) return;
  drawQueued_ = true;
  QMetaObject::invokeMethod(this, &TChartForm::Draw, Qt::QueuedConnection);
}

void TChartForm::Draw() {
  drawQueued_ = false;
  catchUp_.stop();
  QElapsedTimer drawing;
  drawing.start();
  AddCheckBoxes();
  readings_.Draw(series_, hiddenRows_);
  if (series_.LastMs()) {
    chart_->setTitle((series_.Passes() == 1 ? QStringLiteral("%1 pass, the last at %2")
                                            : QStringLiteral("%1 passes, the last at %2"))
                         .arg(series_.Passes())
                         .arg(LogFormatter().TimeStamp(QDateTime::fromMSecsSinceEpoch(
                             series_.Time().WallClockAt(*series_.LastMs()), Qt::UTC))));
  }
  ++drawings_;
  drawingMs_ = drawing.elapsed();
  sinceDrawn_.start();
}

void TChartForm::AddCheckBoxes() {
  bool added = false;
  for (const auto& [key, line] : series_.Lines()) {
    if (checkBoxes_.count(key.row)) continue;
    const QString name = QString::fromLatin1(ChartRegister(key.row).registerName);
    auto* box = new QCheckBox(ReadingsChart::LineName(key));
    box->setObjectName(name + QStringLiteral("ChartChkBx"));
    box->setAccessibleName(name);
    box->setIcon(Swatch(readings_.LineColour(key)));
    const int row = key.row;
    const bool shown = ShownAtFirst(row, series_);
    box->setChecked(shown);
    if (!shown) hiddenRows_.insert(row);
    connect(box, &QCheckBox::toggled, this, [this, row](bool shown) {
      if (shown) {
        hiddenRows_.erase(row);
      } else {
        hiddenRows_.insert(row);
      }
      QueueDraw();
    });
    // In row order, above the stretch at the end.
    int at = 0;
    for (const auto& [other, otherBox] : checkBoxes_) at += other < row ? 1 : 0;
    boxes_->insertWidget(at, box);
    checkBoxes_[row] = box;
    added = true;
  }
  if (!added) return;
  // As wide as the widest check box: the names are never cut.
  int widest = 0;
  for (const auto& [row, box] : checkBoxes_) widest = std::max(widest, box->sizeHint().width());
  const QMargins margins = boxes_->contentsMargins();
  boxScroll_->setFixedWidth(widest + margins.left() + margins.right() +
                            boxScroll_->verticalScrollBar()->sizeHint().width() +
                            2 * boxScroll_->frameWidth());
}
