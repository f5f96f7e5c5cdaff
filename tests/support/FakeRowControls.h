#pragma once

#include "battery/PlainRowControls.h"

// The tests' stand-ins for the main window's row controls.
using FakeRow = PlainRow;
using FakeRowControlsSource = PlainRowControlsSource;
