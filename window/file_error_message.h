#pragma once

// The Spanish messages the user sees when the program has to end.

#include <exception>
#include <string>

#include "file_error.h"

// Names the file or folder, says what could not be done with it and gives the system's reason.
std::wstring describeFileError(const remittance::FileError& error);

// The system's own text for a Win32 error code, ending in a full stop.
std::wstring systemReason(unsigned long errorCode);

// A message for any other failure that ends the program.
std::wstring describeUnexpectedError(const std::exception& error);
