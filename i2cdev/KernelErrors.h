#pragma once

#include <string_view>

#include "link/adapter/AdapterLibrary.h"

// The event that reports a transfer the kernel failed with this error number
// (positive, as in errno), on the adapter of this name. Some drivers report a
// fault in their own way; the table knows them by their adapter's name.
AdapterEvent EventForError(int error, std::string_view adapterName);

// Whether the adapter's driver fails a read from an address that does not
// answer by a time-out, after waiting for data that never comes.
bool SilentReadTimesOut(std::string_view adapterName);
