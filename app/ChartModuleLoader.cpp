#include "app/ChartModuleLoader.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Found from the executable itself, so that it needs no application object
// (`pelmor plot` makes its own).
QString ChartModulePath() {
  const QString executableFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
  return QDir::cleanPath(QDir(executableFolder)
                             .filePath(QStringLiteral(PELMOR_MODULES_FROM_EXECUTABLE "/") +
                                       QLatin1String(kChartModuleFile)));
}

ChartModuleLoad Load() {
  const QString path = ChartModulePath();
  void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    return {nullptr, QStringLiteral("The chart module cannot be loaded: %1")
                         .arg(QString::fromLocal8Bit(dlerror()))};
  }
  const auto entry = reinterpret_cast<ChartModuleEntry>(dlsym(module, kChartModuleEntry));
  if (entry == nullptr) {
    return {nullptr, QStringLiteral("%1 is not the chart module of this program").arg(path)};
  }
  return {entry(), QString()};
}

}  // namespace

const ChartModuleLoad& LoadChartModule() {
  static const ChartModuleLoad load = Load();
  return load;
}
