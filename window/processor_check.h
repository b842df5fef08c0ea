#pragma once

// The read-back's checksum runs SSE2 instructions; the rest of the program, this check
// included, is code for any i686 processor (docs/checksum.md). A processor without SSE2 is told
// so before anything can run them.

#include "message_shower.h"
#include "texts.h"

// Whether the program runs on a processor that has SSE2 or not (`hasSse2`); where it does not,
// the message says why.
inline bool processorRunsProgram(bool hasSse2, MessageShower& messages) {
  if (!hasSse2) messages.showMessage(nullptr, texts::kNeedsSse2, texts::kMessageCaption);
  return hasSse2;
}
