#pragma once
// Window actions run through Guarded: an error raised by the task layer or
// the database is shown in the error box instead of ending the program.

#include <functional>

void Guarded(const std::function<void()>& action);
