#pragma once

// The Spanish message the user sees when a remittance file or folder cannot be used.

#include <exception>
#include <string>

#include "file_error.h"

// Names the file or folder, says what could not be done with it and gives the system's reason.
std::wstring describeFileError(const remittance::FileError& error);

// The system's own text for a Win32 error code, without the line end it comes with.
std::wstring systemReason(unsigned long error);

// A message for any other failure that ends the program.
std::wstring describeUnexpectedError(const std::exception& error);
