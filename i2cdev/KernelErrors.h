#pragma once

#include <string>
#include <string_view>

#include "link/adapter/AdapterLibrary.h"

// The system's words for this error number (positive, as in errno).
std::string ErrorText(int error);

// The event that reports a transfer the kernel failed with this error number
// (positive, as in errno), on the adapter of this name. Some drivers report a
// fault in their own way; the table knows them by their adapter's name.
AdapterEvent EventForError(int error, std::string_view adapterName);

// The faults that the adapter's driver reports alike with this error number,
// in words, when it folds several into it: the program cannot tell which one
// it met. Empty when the error names one fault.
std::string FaultsAlike(int error, std::string_view adapterName);

// Whether the adapter's driver gives up on a read while a pack still holds
// the clock within what a Smart Battery may (25 ms), and reports it as a
// missing acknowledge.
bool GivesUpOnAHeldClock(std::string_view adapterName);
