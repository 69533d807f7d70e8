#pragma once
// Shutting the computer down when the last running task has finished. The
// request goes through one replaceable object: the program installs the
// logind one, tests a fake. With none installed nothing happens.

#include <memory>

namespace tasks {

class TShutdownRequest {
 public:
  virtual ~TShutdownRequest() = default;
  // Asks the system to power off without forcing applications to close; the
  // result is not reported.
  virtual void ShutDown() = 0;
};

// Asks systemd-logind over the system bus (PowerOff, interactive so that the
// policy may ask the user). Only the program installs it.
class TLogindShutdown : public TShutdownRequest {
 public:
  void ShutDown() override;
};

// Installs the request object and returns the previous one.
std::unique_ptr<TShutdownRequest> SetShutdownRequest(std::unique_ptr<TShutdownRequest> request);

// Passes the request on to the installed object, if any.
void ShutDownComputer();

}  // namespace tasks
