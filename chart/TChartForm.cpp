#include "chart/TChartForm.h"

#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QWheelEvent>

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
constexpr int kSwatchSize = 12;

// The registers of a discharge test's curve show at first, when the scan
// reads any of them; else every register does.
bool ShownAtFirst(int row, const PassSeries& series) {
  static const QStringList curve{"Temperature", "Voltage", "Current", "RelStateOfCharge",
                                 "RemainingCapacity"};
  const auto inCurve = [](int r) {
    return curve.contains(QLatin1String(ChartRegister(r).registerName));
  };
  const bool anyOfCurve = std::any_of(series.Lines().begin(), series.Lines().end(),
                                      [&](const auto& line) { return inCurve(line.first.row); });
  return !anyOfCurve || inCurve(row);
}

// The part of a run between two places, its ends where it crosses them.
std::vector<QPointF> ClippedRun(const std::vector<QPointF>& run, double from, double to) {
  std::vector<QPointF> clipped;
  const auto at = [](const QPointF& a, const QPointF& b, double x) {
    return QPointF(x, a.y() + (x - a.x()) / (b.x() - a.x()) * (b.y() - a.y()));
  };
  for (std::size_t i = 0; i < run.size(); ++i) {
    const QPointF& point = run[i];
    if (i > 0 && run[i - 1].x() < from && point.x() > from) {
      clipped.push_back(at(run[i - 1], point, from));
    }
    if (point.x() >= from && point.x() <= to) clipped.push_back(point);
    if (i > 0 && run[i - 1].x() < to && point.x() > to) {
      clipped.push_back(at(run[i - 1], point, to));
      break;
    }
  }
  return clipped;
}

// The line's stroke: its colour, dashed or dotted as the line is.
QIcon Swatch(const QColor& colour, Qt::PenStyle style) {
  QPixmap pixmap(2 * kSwatchSize, kSwatchSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  QPen pen(colour, 3);
  pen.setStyle(style);
  painter.setPen(pen);
  painter.drawLine(0, kSwatchSize / 2, 2 * kSwatchSize, kSwatchSize / 2);
  return QIcon(pixmap);
}

}  // namespace

TChartForm::TChartForm(PassSeries& series, QWidget* parent)
    : QWidget(parent, Qt::Window),
      series_(series),
      chart_(new QChart),
      view_(new View(chart_, *this)),
      readings_(*chart_) {
  setObjectName(QStringLiteral("ChartForm"));
  setWindowTitle(QStringLiteral("Chart"));
  chart_->legend()->hide();
  readings_.ShowEvents(true);
  view_->setObjectName(QStringLiteral("ChartView"));
  view_->setAccessibleName(QStringLiteral("Chart of the readings"));

  boxList_ = new QWidget;
  boxes_ = new QVBoxLayout(boxList_);
  boxes_->addStretch();
  boxScroll_ = new QScrollArea;
  boxScroll_->setWidget(boxList_);
  boxScroll_->setWidgetResizable(true);
  boxScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  along_ = new QComboBox;
  along_->setObjectName(QStringLiteral("ChartAlong"));
  along_->setAccessibleName(QStringLiteral("Along"));
  along_->addItems({QStringLiteral("Along time"), QStringLiteral("Along charge delivered")});
  connect(along_, &QComboBox::currentIndexChanged, this, [this](int index) {
    readings_.SetAlong(index == 1 ? PassSeries::Along::Charge : PassSeries::Along::Time);
    ResetView();
  });
  reset_ = new QPushButton(QStringLiteral("Reset view"));
  reset_->setObjectName(QStringLiteral("ChartReset"));
  connect(reset_, &QPushButton::clicked, this, &TChartForm::ResetView);
  export_ = new QPushButton(QStringLiteral("Export..."));
  export_->setObjectName(QStringLiteral("ChartExport"));
  connect(export_, &QPushButton::clicked, this, &TChartForm::ExportAsked);
  delivered_ = new QLabel;
  delivered_->setObjectName(QStringLiteral("ChartDelivered"));
  readOut_ = new QLabel;
  readOut_->setObjectName(QStringLiteral("ChartReadOut"));
  readOut_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // All the values under the cursor, on as many lines as the window's width needs.
  readOut_->setWordWrap(true);
  readOut_->setMinimumWidth(0);
  readOut_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* bar = new QHBoxLayout;
  bar->addWidget(along_);
  bar->addWidget(reset_);
  bar->addWidget(export_);
  bar->addWidget(delivered_, 1);
  auto* chartColumn = new QVBoxLayout;
  chartColumn->addLayout(bar);
  chartColumn->addWidget(view_, 1);
  chartColumn->addWidget(readOut_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(chartColumn, 1);
  layout->addWidget(boxScroll_);
  resize(1200, 700);

  catchUp_.setSingleShot(true);
  connect(&catchUp_, &QTimer::timeout, this, &TChartForm::QueueDraw);
}

TChartForm::View::View(QChart* chart, TChartForm& form) : QChartView(chart), form_(form) {
  setRubberBand(QChartView::RectangleRubberBand);
  setMouseTracking(true);
}

void TChartForm::View::wheelEvent(QWheelEvent* event) {
  constexpr double kStep = 1.25;
  form_.ZoomAt(event->position(), event->angleDelta().y() > 0 ? kStep : 1 / kStep);
  event->accept();
}

void TChartForm::View::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton || event->modifiers() & Qt::ShiftModifier) {
    panFrom_ = event->position();
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void TChartForm::View::mouseMoveEvent(QMouseEvent* event) {
  if (panFrom_) {
    form_.Pan(event->position() - *panFrom_);
    panFrom_ = event->position();
  }
  form_.ShowReadOut(event->position());
  QChartView::mouseMoveEvent(event);
}

void TChartForm::View::mouseReleaseEvent(QMouseEvent* event) {
  if (panFrom_) {
    panFrom_.reset();
    event->accept();
    return;
  }
  // The rubber band zooms in, the right button out: the ranges are the
  // person's from here on.
  QChartView::mouseReleaseEvent(event);
  form_.readings_.HoldRanges(true);
  form_.QueueDraw();
}

void TChartForm::ShowReadOut(QPointF viewPoint) {
  const QList<QAbstractSeries*> all = chart_->series();
  if (all.isEmpty() || !series_.LastMs()) return;
  const QPointF scene = view_->mapToScene(viewPoint.toPoint());
  const QPointF inChart = chart_->mapFromScene(scene);
  if (!chart_->plotArea().contains(inChart)) return;
  const double x = chart_->mapToValue(inChart, all.front()).x();
  readOut_->setText(readings_.ReadOut(series_, x, hiddenRows_));
}

void TChartForm::ZoomAt(QPointF viewPoint, double factor) {
  const QPointF inChart = chart_->mapFromScene(view_->mapToScene(viewPoint.toPoint()));
  QRectF area = chart_->plotArea();
  const QPointF centre = chart_->plotArea().contains(inChart) ? inChart : area.center();
  area.setWidth(area.width() / factor);
  area.setHeight(area.height() / factor);
  area.moveCenter(centre);
  chart_->zoomIn(area);
  readings_.HoldRanges(true);
  QueueDraw();
}

void TChartForm::Pan(QPointF by) {
  chart_->scroll(-by.x(), by.y());
  readings_.HoldRanges(true);
  QueueDraw();
}

void TChartForm::ResetView() {
  readings_.HoldRanges(false);
  chart_->zoomReset();
  QueueDraw();
}

void TChartForm::ExportAsked() {
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Export the chart"), QStringLiteral("chart.png"),
      QStringLiteral("PNG picture (*.png);;SVG picture (*.svg);;Values as CSV (*.csv)"));
  if (path.isEmpty()) return;
  if (const std::optional<QString> error = Export(path)) {
    QMessageBox::critical(this, QStringLiteral("Export"),
                          QStringLiteral("Cannot write %1: %2").arg(path, *error));
  }
}

std::optional<QString> TChartForm::Export(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  if (suffix == QLatin1String("png")) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    view_->grab().save(&buffer, "png");
  } else if (suffix == QLatin1String("svg")) {
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(view_->size());
    svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
    QPainter painter(&svg);
    painter.fillRect(QRect(QPoint(0, 0), view_->size()), Qt::white);
    view_->render(&painter);
  } else if (suffix == QLatin1String("csv")) {
    bytes = VisibleCsv().toUtf8();
  } else {
    return QStringLiteral("its name does not end in .png, .svg or .csv");
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    return file.errorString();
  }
  return std::nullopt;
}

// Every point of the lines shown that lies in the visible range, one a row.
QString TChartForm::VisibleCsv() const {
  const auto* bottom = chart_->axes(Qt::Horizontal).isEmpty()
                           ? nullptr
                           : qobject_cast<QValueAxis*>(chart_->axes(Qt::Horizontal).front());
  const bool alongCharge = readings_.Along() == PassSeries::Along::Charge;
  QString csv = alongCharge ? QStringLiteral("Line,Charge delivered (mAh),Value\r\n")
                            : QStringLiteral("Line,Time,Value\r\n");
  for (const auto& [key, line] : series_.Lines(readings_.Along())) {
    if (hiddenRows_.count(key.row)) continue;
    for (const auto& run : line.Runs()) {
      for (const QPointF& point : bottom ? ClippedRun(run, bottom->min(), bottom->max()) : run) {
        const QString at =
            alongCharge
                ? QString::number(point.x() / PassSeries::kMicroampHoursPerMilliampHour, 'f', 1)
                : LogFormatter().TimeStamp(QDateTime::fromMSecsSinceEpoch(
                      series_.Time().WallClockAt(static_cast<qint64>(point.x())), Qt::UTC));
        csv += QStringLiteral("%1,%2,%3\r\n")
                   .arg(ReadingsChart::LineName(key), at, QString::number(point.y(), 'g', 8));
      }
    }
  }
  return csv;
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
  const DischargeTotals& totals = series_.Discharge();
  delivered_->setText(totals.currentReadings < 2
                          ? QString()
                          : QStringLiteral("Delivered %1 mAh, %2 mWh (from Current, over %3 h)")
                                .arg(totals.chargeMah, 0, 'f', 0)
                                .arg(totals.energyMwh, 0, 'f', 0)
                                .arg(totals.integratedHours, 0, 'f', 2));
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
    box->setIcon(Swatch(readings_.LineColour(key), readings_.LineStyle(key)));
    box->setIconSize(QSize(2 * kSwatchSize, kSwatchSize));
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
