#pragma once
// Window actions run through Guarded: an error raised by the task layer or
// the database is shown in the error box instead of ending the program.

#include <QString>
#include <functional>

void Guarded(const std::function<void()>& action);
// The same, with the message handed to report instead of the error box.
void Guarded(const std::function<void()>& action, const std::function<void(const QString& message)>& report);
