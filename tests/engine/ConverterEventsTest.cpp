#include <gtest/gtest.h>
#include <pthread.h>

#include <QDir>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "ScriptedConverter.h"
#include "engine/ConvertThreads.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;
using testing_support::PumpUntil;
using testing_support::TakeErrorBoxes;
using Story = std::vector<std::string>;

namespace {

// A loop like the read loop's: one state check per pass until stopped or
// passes run out.
void RunPasses(TScriptedConverter& c, int passes, std::chrono::milliseconds pause = 5ms) {
  for (int i = 0; i < passes; ++i) {
    if (!c.CheckLoopState()) return;
    std::this_thread::sleep_for(pause);
  }
}

class ConverterEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeErrorBoxes();
    recorder.Attach(converter);
    converter.InputFiles() << testing_support::MediaFixture({});
    converter.OutputFiles() << QDir(testing_support::TemporaryFolder()).filePath("out.avi");
  }
  void RunToCompletion() {
    converter.Convert();
    ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }));
    // Nothing may follow the completion.
    PumpUntil([] { return false; }, 50);
  }

  TScriptedConverter converter;
  TEventRecorder recorder;
};

}  // namespace

TEST_F(ConverterEvents, CompletedRunRaisesProgressThenOneCompleteOnTheMainThread) {
  TAVConvertState stateInside = csNone;
  converter.Script = [&](TScriptedConverter& c) {
    stateInside = c.State();
    RunPasses(c, 20);
  };
  RunToCompletion();
  EXPECT_EQ(stateInside, csRunning);
  EXPECT_EQ(recorder.Story(), (Story{"progress", "complete"}));
  EXPECT_EQ(recorder.Count("complete"), 1);
  for (const auto& e : recorder.Events()) EXPECT_TRUE(e.onMainThread) << e.name;
  EXPECT_EQ(converter.State(), csNone);
  EXPECT_FALSE(converter.IsRunning());
  EXPECT_TRUE(converter.ErrorMsg().isEmpty());
  EXPECT_EQ(engine::ConvertThreadCount(), 0);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(ConverterEvents, StoppedRunRaisesStoppedThenComplete) {
  int passes = 0;
  converter.Script = [&](TScriptedConverter& c) {
    while (c.CheckLoopState() && passes < 2000) {
      ++passes;
      std::this_thread::sleep_for(2ms);
    }
  };
  converter.Convert();
  ASSERT_TRUE(PumpUntil([&] { return recorder.Count("progress") > 0; }));
  converter.Stop();
  ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }));
  EXPECT_LT(passes, 2000);
  const Story story = recorder.Story();
  ASSERT_GE(story.size(), 3u);
  EXPECT_EQ(story.front(), "progress");
  EXPECT_EQ(recorder.Count("stopped"), 1);
  EXPECT_EQ(story.back(), "complete");
  // The stop ends the run like a finished one: the final report follows the stop.
  EXPECT_EQ(story, (Story{"progress", "stopped", "progress", "complete"}));
  EXPECT_TRUE(converter.ErrorMsg().isEmpty());
}

TEST_F(ConverterEvents, PausedWorkerWaitsQuietlyAndStopEndsThePauseAtOnce) {
  std::atomic<int> passes{0};
  converter.Script = [&](TScriptedConverter& c) {
    while (c.CheckLoopState()) {
      ++passes;
      std::this_thread::sleep_for(1ms);
    }
  };
  converter.Convert();
  ASSERT_TRUE(PumpUntil([&] { return passes > 3; }));
  converter.Pause();
  EXPECT_EQ(converter.State(), csPaused);
  PumpUntil([] { return false; }, 100);  // let a pass already under way finish
  const int pausedAt = passes;
  const int progressAt = recorder.Count("progress");
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(passes, pausedAt);
  EXPECT_EQ(recorder.Count("progress"), progressAt);

  converter.Stop();
  EXPECT_EQ(converter.State(), csStopped);
  ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }, 5000));
  EXPECT_EQ(passes, pausedAt);
  const Story story = recorder.Story();
  ASSERT_GE(story.size(), 2u);
  EXPECT_EQ(story[story.size() - 2], "progress");
  EXPECT_EQ(story.back(), "complete");
  EXPECT_EQ(recorder.Count("stopped"), 1);
}

TEST_F(ConverterEvents, ResumeContinuesAPausedRun) {
  std::atomic<int> passes{0};
  converter.Script = [&](TScriptedConverter& c) {
    while (passes < 40 && c.CheckLoopState()) {
      ++passes;
      std::this_thread::sleep_for(1ms);
    }
  };
  converter.Convert();
  ASSERT_TRUE(PumpUntil([&] { return passes > 3; }));
  converter.Pause();
  converter.Pause();  // pausing twice changes nothing
  EXPECT_EQ(converter.State(), csPaused);
  converter.Resume();
  EXPECT_EQ(converter.State(), csRunning);
  converter.Resume();
  EXPECT_EQ(converter.State(), csRunning);
  ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }));
  EXPECT_EQ(passes, 40);
  EXPECT_EQ(recorder.Count("stopped"), 0);
}

TEST_F(ConverterEvents, StateRequestsOutsideARunChangeNothing) {
  converter.Pause();
  EXPECT_EQ(converter.State(), csNone);
  converter.Resume();
  EXPECT_EQ(converter.State(), csNone);
  converter.Stop();
  EXPECT_EQ(converter.State(), csNone);
  // A stop of an earlier moment does not reach the next run.
  converter.Script = [&](TScriptedConverter& c) { RunPasses(c, 5); };
  RunToCompletion();
  EXPECT_EQ(recorder.Count("stopped"), 0);
}

TEST_F(ConverterEvents, StopRightAfterConvertStopsTheRun) {
  int passes = 0;
  converter.Script = [&](TScriptedConverter& c) {
    while (c.CheckLoopState() && passes < 1000) {
      ++passes;
      std::this_thread::sleep_for(5ms);
    }
  };
  converter.Convert();
  converter.Stop();
  ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }));
  EXPECT_EQ(recorder.Count("stopped"), 1);
  EXPECT_LT(passes, 1000);
}

TEST_F(ConverterEvents, FailureBeforeTranscodeShowsTheErrorThenCompletes) {
  bool transcoded = false;
  QStringList boxesAtComplete;
  converter.Script = [&](TScriptedConverter&) { transcoded = true; };
  converter.OnComplete = [&](TAVConverter*) {
    boxesAtComplete = TakeErrorBoxes();
    recorder.Record("complete");
  };
  converter.ConvertOptions().SetInputFormat("nosuchinput");
  converter.ConvertOptions().SetOutputFormat("nosuchoutput");
  RunToCompletion();
  EXPECT_FALSE(transcoded);
  EXPECT_EQ(boxesAtComplete, QStringList{"Unknown input nosuchinput or Output format nosuchoutput"});
  EXPECT_EQ(converter.ErrorMsg(), "Unknown input nosuchinput or Output format nosuchoutput");
  EXPECT_EQ(recorder.Story(), Story{"complete"});
  EXPECT_EQ(converter.State(), csNone);
  EXPECT_EQ(engine::ConvertThreadCount(), 0);
}

TEST_F(ConverterEvents, OneKnownFormatNameIsEnough) {
  converter.ConvertOptions().SetInputFormat("nosuchinput");
  converter.ConvertOptions().SetOutputFormat("mp4");
  RunToCompletion();
  EXPECT_TRUE(converter.ErrorMsg().isEmpty());
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(ConverterEvents, StreamMapThatIsNotANumberFailsBeforeTranscode) {
  bool transcoded = false;
  converter.Script = [&](TScriptedConverter&) { transcoded = true; };
  converter.ConvertOptions().SetStreamMaps({"0=1", "x=0"});
  RunToCompletion();
  EXPECT_FALSE(transcoded);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"'x' is not a valid integer value"});
  EXPECT_EQ(recorder.Story(), Story{"complete"});
}

TEST_F(ConverterEvents, FailureInsideTranscodeShowsTheErrorThenCompletes) {
  QStringList boxesAtComplete;
  converter.OnComplete = [&](TAVConverter*) {
    boxesAtComplete = TakeErrorBoxes();
    recorder.Record("complete");
  };
  converter.Script = [&](TScriptedConverter& c) {
    RunPasses(c, 3);
    c.Fail("Output file does not contain any stream");
  };
  RunToCompletion();
  EXPECT_EQ(boxesAtComplete, QStringList{"Output file does not contain any stream"});
  EXPECT_EQ(converter.ErrorMsg(), "Output file does not contain any stream");
  EXPECT_EQ(recorder.Story(), (Story{"progress", "complete"}));
  EXPECT_EQ(recorder.Count("stopped"), 0);
  EXPECT_EQ(converter.State(), csNone);
}

TEST_F(ConverterEvents, LogLinesArriveOnTheWorkerThreadAndTheRestOnTheMainThread) {
  converter.Script = [&](TScriptedConverter& c) {
    av_log(nullptr, AV_LOG_WARNING, "a warning");
    RunPasses(c, 3);
  };
  RunToCompletion();
  bool sawLog = false;
  for (const auto& e : recorder.Events()) {
    if (e.name == "log:a warning") {
      sawLog = true;
      EXPECT_FALSE(e.onMainThread);
    } else {
      EXPECT_TRUE(e.onMainThread) << e.name;
    }
  }
  EXPECT_TRUE(sawLog);
}

TEST_F(ConverterEvents, ProgressEventsComeAtMostEvery50Milliseconds) {
  int events = 0;
  std::chrono::steady_clock::duration loopTime{};
  converter.OnProgress = [&](TAVConverter*) { ++events; };
  converter.Script = [&](TScriptedConverter& c) {
    const auto begin = std::chrono::steady_clock::now();
    RunPasses(c, 400, 1ms);
    loopTime = std::chrono::steady_clock::now() - begin;
  };
  RunToCompletion();
  // One per 50 ms of loop at most, the first pass's and the final report's on top.
  EXPECT_GE(events, 3);
  EXPECT_LE(events, loopTime / 50ms + 2);
}

TEST_F(ConverterEvents, AnErrorOfTheProgressHandlerIsShownAndTheRunGoesOn) {
  int calls = 0;
  converter.OnProgress = [&](TAVConverter*) {
    if (++calls == 1) throw std::runtime_error("handler failed");
  };
  int passes = 0;
  converter.Script = [&](TScriptedConverter& c) {
    for (; passes < 10; ++passes) c.CheckLoopState();
  };
  RunToCompletion();
  EXPECT_EQ(passes, 10);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"handler failed"});
  EXPECT_TRUE(converter.ErrorMsg().isEmpty());
}

TEST_F(ConverterEvents, TheWorkerThreadIsNamedAfterTheInput) {
  char name[32] = {};
  converter.Script = [&](TScriptedConverter&) { pthread_getname_np(pthread_self(), name, sizeof name); };
  RunToCompletion();
  EXPECT_EQ(std::string(name), ("Converting " + converter.InputFiles()[0]).left(15).toStdString());
}

TEST_F(ConverterEvents, AConverterRunsAgainAfterARun) {
  int runs = 0;
  converter.Script = [&](TScriptedConverter& c) {
    ++runs;
    RunPasses(c, 2);
  };
  RunToCompletion();
  converter.ConvertOptions().SetCodecOptions({"g=25"});
  converter.Convert();
  ASSERT_TRUE(PumpUntil([&] { return recorder.Count("complete") == 2; }));
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(converter.OptNames(), QStringList{});  // released with the run
}

TEST_F(ConverterEvents, ConvertWhileRunningIsIgnored) {
  std::atomic<int> runs{0};
  converter.Script = [&](TScriptedConverter& c) {
    ++runs;
    RunPasses(c, 20);
  };
  converter.Convert();
  converter.Convert();
  ASSERT_TRUE(PumpUntil([&] { return recorder.Completed(); }));
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(recorder.Count("complete"), 1);
}

TEST(ConverterLifetime, DestroyingARunningConverterStopsItAndRaisesNothingMore) {
  TEventRecorder recorder;
  std::atomic<bool> started{false};
  {
    TScriptedConverter c;
    recorder.Attach(c);
    c.Script = [&](TScriptedConverter& s) {
      started = true;
      while (s.CheckLoopState()) std::this_thread::sleep_for(1ms);
    };
    c.Convert();
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
  }
  const size_t count = recorder.Events().size();
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(recorder.Events().size(), count);
  EXPECT_EQ(recorder.Count("complete"), 0);
}

// Destruction closes the gate, wakes the worker wherever it waits and joins
// it, without running the main thread's event loop: nothing more reaches the
// owner, no box opens, nothing hangs.
TEST(ConverterLifetime, DestructionCutsShortWhateverTheWorkerWaitsFor) {
  struct TCase {
    const char* where;
    std::function<void(TScriptedConverter&)> script;
    std::function<void(TScriptedConverter&)> before;  // on the main thread, before the destruction
  };
  const TCase cases[] = {
      {"a hand-over of progress", [](TScriptedConverter& s) { while (s.CheckLoopState()) s.DoProgress(true), std::this_thread::sleep_for(1ms); }, {}},
      {"the error box", [](TScriptedConverter& s) { s.Fail("never shown"); }, {}},
      {"a pause", [](TScriptedConverter& s) { while (s.CheckLoopState()) std::this_thread::sleep_for(1ms); },
       [](TScriptedConverter& c) { c.Pause(); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.where);
    TakeErrorBoxes();
    TEventRecorder recorder;
    auto converter = std::make_unique<TScriptedConverter>();
    recorder.Attach(*converter);
    converter->Script = c.script;
    converter->Convert();
    std::this_thread::sleep_for(50ms);  // the worker reaches its wait; no events are pumped
    if (c.before) c.before(*converter);
    const auto start = std::chrono::steady_clock::now();
    converter.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(recorder.Count("complete"), 0);
    EXPECT_EQ(recorder.Count("progress"), 0);
    EXPECT_TRUE(TakeErrorBoxes().isEmpty());
    EXPECT_EQ(engine::ConvertThreadCount(), 0) << "the worker was joined";
  }
}

TEST(ConverterLifetime, TheCompletionHandlerMayDestroyTheConverter) {
  auto* c = new TScriptedConverter;
  bool destroyed = false;
  c->Script = [](TScriptedConverter& s) { s.CheckLoopState(); };
  c->OnComplete = [&](TAVConverter* sender) {
    delete sender;
    destroyed = true;
  };
  c->Convert();
  ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
  PumpUntil([] { return engine::ConvertThreadCount() == 0; }, 1000);
  EXPECT_EQ(engine::ConvertThreadCount(), 0);
}

TEST(ConverterLifetime, ManyConvertersRunSideBySide) {
  constexpr int Count = 6;
  std::vector<std::unique_ptr<TScriptedConverter>> converters;
  std::atomic<int> inside{0}, most{0}, completed{0};
  for (int i = 0; i < Count; ++i) {
    auto c = std::make_unique<TScriptedConverter>();
    c->Script = [&](TScriptedConverter& s) {
      const int now = ++inside;
      for (int m = most; now > m && !most.compare_exchange_weak(m, now);) {
      }
      RunPasses(s, 30, 5ms);
      --inside;
    };
    c->OnComplete = [&](TAVConverter*) { ++completed; };
    converters.push_back(std::move(c));
  }
  for (auto& c : converters) c->Convert();
  ASSERT_TRUE(PumpUntil([&] { return completed == Count; }));
  EXPECT_GT(most.load(), 1);
}
