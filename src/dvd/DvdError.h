#pragma once
// Failures of the DVD source, with the text shown to the user.

#include <QString>
#include <stdexcept>

namespace dvd {

class EDvdError : public std::runtime_error {
 public:
  explicit EDvdError(const QString& message) : std::runtime_error(message.toStdString()), FMessage(message) {}
  const QString& Message() const { return FMessage; }

 private:
  QString FMessage;
};

}  // namespace dvd
