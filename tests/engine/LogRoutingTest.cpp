#include <gtest/gtest.h>

#include <QRegularExpression>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "ScriptedConverter.h"
#include "engine/ConvertThreads.h"
#include "support/TestSupport.h"

using testing_support::PumpUntil;

namespace {

struct Collected {
  std::mutex lock;
  QStringList lines;
  std::vector<int> levels;
  void Attach(TAVConverter& c) {
    c.OnLog = [this](TAVConverter*, int level, const QString& text) {
      std::lock_guard guard(lock);
      lines << text;
      levels.push_back(level);
    };
  }
};

void RunAndWait(TScriptedConverter& c) {
  bool done = false;
  c.OnComplete = [&](TAVConverter*) { done = true; };
  c.Convert();
  ASSERT_TRUE(PumpUntil([&] { return done; }));
}

}  // namespace

TEST(LogRouting, TwoConvertersAtOnceEachGetOnlyTheirOwnLines) {
  TScriptedConverter a, b;
  Collected logA, logB;
  logA.Attach(a);
  logB.Attach(b);
  std::atomic<int> done{0};
  auto script = [](const char* who) {
    return [who](TScriptedConverter& c) {
      for (int i = 0; i < 50; ++i) {
        av_log(nullptr, AV_LOG_WARNING, "%s line %d\n", who, i);
        c.CheckLoopState();
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
    };
  };
  a.Script = script("alpha");
  b.Script = script("beta");
  a.OnComplete = b.OnComplete = [&](TAVConverter*) { ++done; };
  a.Convert();
  b.Convert();
  ASSERT_TRUE(PumpUntil([&] { return done == 2; }));
  ASSERT_EQ(logA.lines.size(), 50);
  ASSERT_EQ(logB.lines.size(), 50);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(logA.lines[i], QStringLiteral("alpha line %1\n").arg(i));
    EXPECT_EQ(logB.lines[i], QStringLiteral("beta line %1\n").arg(i));
  }
}

TEST(LogRouting, LevelsUpToTheConvertersLevelPass) {
  TScriptedConverter c;
  Collected log;
  log.Attach(c);
  EXPECT_EQ(c.LogLevel(), 24);
  c.Script = [](TScriptedConverter&) {
    av_log(nullptr, AV_LOG_PANIC, "panic");
    av_log(nullptr, AV_LOG_FATAL, "fatal");
    av_log(nullptr, AV_LOG_ERROR, "error");
    av_log(nullptr, AV_LOG_WARNING, "warning");
    av_log(nullptr, AV_LOG_INFO, "info");
    av_log(nullptr, AV_LOG_DEBUG, "debug");
  };
  RunAndWait(c);
  EXPECT_EQ(log.lines, (QStringList{"panic", "fatal", "error", "warning"}));
  EXPECT_EQ(log.levels, (std::vector<int>{0, 8, 16, 24}));

  TScriptedConverter quiet;
  Collected quietLog;
  quietLog.Attach(quiet);
  quiet.SetLogLevel(AV_LOG_ERROR);
  quiet.Script = c.Script;
  RunAndWait(quiet);
  EXPECT_EQ(quietLog.lines, (QStringList{"panic", "fatal", "error"}));

  TScriptedConverter chatty;
  Collected chattyLog;
  chattyLog.Attach(chatty);
  chatty.SetLogLevel(AV_LOG_INFO);
  chatty.Script = c.Script;
  RunAndWait(chatty);
  EXPECT_EQ(chattyLog.lines, (QStringList{"panic", "fatal", "error", "warning", "info"}));
}

TEST(LogRouting, LinesOfUnregisteredThreadsAreDropped) {
  TScriptedConverter c;
  Collected log;
  log.Attach(c);
  c.Script = [](TScriptedConverter&) {
    std::thread helper([] { av_log(nullptr, AV_LOG_ERROR, "from a helper thread"); });
    helper.join();
    av_log(nullptr, AV_LOG_ERROR, "from the worker");
  };
  bool done = false;
  c.OnComplete = [&](TAVConverter*) { done = true; };
  c.Convert();
  av_log(nullptr, AV_LOG_ERROR, "from the main thread");
  ASSERT_TRUE(PumpUntil([&] { return done; }));
  EXPECT_EQ(log.lines, QStringList{"from the worker"});
}

TEST(LogRouting, LongMessagesAreCutAt1024Characters) {
  TScriptedConverter c;
  Collected log;
  log.Attach(c);
  const std::string longText(3000, 'x');
  c.Script = [&](TScriptedConverter&) { av_log(nullptr, AV_LOG_WARNING, "%s", longText.c_str()); };
  RunAndWait(c);
  ASSERT_EQ(log.lines.size(), 1);
  EXPECT_EQ(log.lines[0], QString(1024, 'x'));
}
