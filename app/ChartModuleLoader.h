#pragma once

#include <QString>

#include "chart/ChartModule.h"

// The chart module, loaded the first time it is asked for and kept until the
// program ends. It lies in the modules' folder beside the executable's
// (lib/.../pelmor installed, the same place in the build folder).
struct ChartModuleLoad {
  const ChartModuleApi* api = nullptr;  // none when it could not be loaded
  QString error;                        // why not, naming the file
};

const ChartModuleLoad& LoadChartModule();
