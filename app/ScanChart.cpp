#include "app/ScanChart.h"

#include <QMessageBox>

#include "app/ChartModuleLoader.h"

ScanChart::ScanChart(ScanEngine& engine, QWidget& mainWindow)
    : engine_(engine), mainWindow_(mainWindow) {
  engine_.AddObserver(collector_);
}

ScanChart::~ScanChart() {
  engine_.RemoveObserver(collector_);
}

void ScanChart::ShowWindow() {
  if (!window_) {
    const ChartModuleLoad& module = LoadChartModule();
    if (module.api == nullptr) {
      QMessageBox::critical(&mainWindow_, QStringLiteral("Error"), module.error);
      return;
    }
    window_.reset(module.api->makeChartWindow(series_, &mainWindow_));
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void ScanChart::AddPass(const ChartPass& pass) {
  if (window_) {
    window_->AddPass(pass);
  } else {
    series_.AddPass(pass);
  }
}
