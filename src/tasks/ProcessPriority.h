#pragma once
// The configuration's priority levels 0..5 (idle, below normal, normal,
// above normal, high, real time) as nice values of the whole process.

#include <functional>

namespace tasks {

// 19, 10, 0, -5, -10, -20; levels outside 0..5 give normal (0).
int NiceValueOfLevel(int level);

// Sets the nice value of every thread of the process (threads started later
// inherit it from their creator). A refusal, for lack of privilege, is
// ignored: the process goes on at the priority it has.
void SetProcessNiceValue(int nice);

// What saving the configuration calls; tests replace it. Returns the previous one.
using TPriorityHandler = std::function<void(int nice)>;
TPriorityHandler SetPriorityHandler(TPriorityHandler handler);
void ApplyPriorityLevel(int level);

}  // namespace tasks
