#pragma once
// Errors of the XML object form and of the task database: one message text
// each, shown to the user as it is.

#include "engine/EngineError.h"

namespace tasks {

class EXmlReadError : public EAVError {
 public:
  using EAVError::EAVError;
};

class EDatabaseError : public EAVError {
 public:
  using EAVError::EAVError;
};

// Another connection (the command-line tool, a second program) holds the
// file longer than the busy wait: the same statement may succeed later.
class EDatabaseBusy : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

}  // namespace tasks
