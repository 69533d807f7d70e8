#include "app/ActionGuard.h"

#include <exception>

#include "engine/EngineError.h"
#include "engine/ErrorBox.h"

void Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  }
}
