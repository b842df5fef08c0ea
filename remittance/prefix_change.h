#pragma once

#include "document.h"

namespace remittance {

// Turns a remittance prepared for collection into one for advance financing: when the text of
// the first "<MsgId>" starts with "PRE", those three characters become "FSDD". The comparison is
// exact and case-sensitive and only the first tag is looked at; nothing else changes.
// Returns false, leaving the document untouched, when there is no "<MsgId>" or its text does not
// start with "PRE".
bool changeMessageIdPrefix(Document& document);

}  // namespace remittance
