#include "tasks/ProcessPriority.h"

#include <sys/resource.h>

#include <QDir>
#include <array>

namespace tasks {

namespace {

constexpr std::array<int, 6> NiceValues{19, 10, 0, -5, -10, -20};

TPriorityHandler& Handler() {
  static TPriorityHandler handler = SetProcessNiceValue;
  return handler;
}

}  // namespace

int NiceValueOfLevel(int level) { return level >= 0 && level < int(NiceValues.size()) ? NiceValues[level] : 0; }

void SetProcessNiceValue(int nice) {
  // On Linux the nice value belongs to each thread, so every one is set.
  const QStringList threads = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& tid : threads) {
    bool ok = false;
    const int id = tid.toInt(&ok);
    if (ok) setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice);
  }
  if (threads.isEmpty()) setpriority(PRIO_PROCESS, 0, nice);
}

TPriorityHandler SetPriorityHandler(TPriorityHandler handler) {
  TPriorityHandler previous = std::move(Handler());
  Handler() = handler ? std::move(handler) : TPriorityHandler(SetProcessNiceValue);
  return previous;
}

void ApplyPriorityLevel(int level) { Handler()(NiceValueOfLevel(level)); }

}  // namespace tasks
