#include "app/ActionGuard.h"

#include <exception>

#include "engine/EngineError.h"
#include "engine/ErrorBox.h"

void Guarded(const std::function<void()>& action, const std::function<void(const QString& message)>& report) {
  try {
    action();
  } catch (const EAVError& e) {
    report(e.Message());
  } catch (const std::exception& e) {
    report(QString::fromUtf8(e.what()));
  }
}

void Guarded(const std::function<void()>& action) { Guarded(action, ShowErrorBox); }
