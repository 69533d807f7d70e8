#pragma once
// The engine's one error kind: an English message text that ends the current
// step and is shown to the user in the error box.

#include <QString>
#include <stdexcept>

class EAVError : public std::runtime_error {
 public:
  explicit EAVError(const QString& message) : std::runtime_error(message.toStdString()), FMessage(message) {}
  const QString& Message() const { return FMessage; }

 private:
  QString FMessage;
};
