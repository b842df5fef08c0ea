// Converts one remittance file exactly as the window's CAMBIAR button does: one pass through a
// fixed buffer to a temporary file, flushed, read back and put in the file's place. The Windows
// build, run under Wine, is timed from outside against cp and sed.
//
//   convert_remittance FILE
//
// Prints the milliseconds the conversion took, and how they split between its steps, as the
// system calls mark them: the pass that reads, converts and writes; the flush; the read-back
// (from the flush's end to the last read); and the replace, which ends it:
// "convert 45.6 write 30.1 flush 8.0 readback 7.0 replace 0.5".
// Exit status: 0 converted, 1 left alone (no "PRE" in the first MsgId element), 2 file error.

#include <chrono>
#include <cstdio>
#include <string>

#include "file_error.h"
#include "remittance_files.h"
#include "system_calls.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The real calls, with the moments the save goes from one step to the next.
class MarkedCalls : public remittance::SystemCalls {
 public:
  BOOL flushFileBuffers(HANDLE file) override {
    flushed_ = Clock::now();
    const BOOL done = SystemCalls::flushFileBuffers(file);
    readBack_ = Clock::now();
    lastRead_ = readBack_;
    return done;
  }
  BOOL readFile(HANDLE file, void* buffer, DWORD size, DWORD* done) override {
    const BOOL read = SystemCalls::readFile(file, buffer, size, done);
    lastRead_ = Clock::now();
    return read;
  }

  void print(Clock::time_point start, Clock::time_point end) const {
    std::printf("convert %.1f write %.1f flush %.1f readback %.1f replace %.1f\n",
                milliseconds(start, end), milliseconds(start, flushed_),
                milliseconds(flushed_, readBack_), milliseconds(readBack_, lastRead_),
                milliseconds(lastRead_, end));
  }

 private:
  Clock::time_point flushed_, readBack_, lastRead_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: convert_remittance FILE\n", stderr);
    return 2;
  }
  try {
    MarkedCalls calls;
    const auto start = Clock::now();
    const remittance::Outcome outcome = remittance::convertRemittance(argv[1], calls);
    const auto done = Clock::now();
    if (outcome != remittance::Outcome::Converted) {
      std::fputs("No se puede cambiar el prefijo\n", stderr);
      return 1;
    }
    calls.print(start, done);
  } catch (const remittance::FileError& error) {
    std::fprintf(stderr, "file error %d (system error %lu)\n", static_cast<int>(error.problem()),
                 error.systemError());
    return 2;
  }
  return 0;
}
