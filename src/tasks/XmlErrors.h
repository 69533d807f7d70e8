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

}  // namespace tasks
