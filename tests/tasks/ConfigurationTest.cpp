// Config.Xml in the per-user data folder, priority levels and shut-down.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>
#include <vector>

#include "support/TestSupport.h"
#include "media/DataFolder.h"
#include "tasks/Configuration.h"
#include "tasks/ProcessPriority.h"
#include "tasks/XmlErrors.h"

using namespace tasks;

namespace {

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis").removeRecursively();
    previous = SetPriorityHandler([this](int nice) { niceValues.push_back(nice); });
  }
  void TearDown() override { SetPriorityHandler(previous); }

  static QByteArray ConfigText() {
    QFile f(TAVConfiguration::GetConfigFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void WriteConfig(const QByteArray& text) {
    QDir().mkpath(TAVConfiguration::GetAppDataFolder());
    QFile f(TAVConfiguration::GetConfigFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  std::vector<int> niceValues;
  TPriorityHandler previous;
};

}  // namespace

TEST_F(Configuration, DataFolderFollowsXdgDataHome) {
  const QString home = qEnvironmentVariable("XDG_DATA_HOME");
  EXPECT_EQ(tesvanor::UserDataFolder(), QDir::cleanPath(home) + "/Ormentis/Tesvanor/");
  EXPECT_EQ(TAVConfiguration::GetConfigFile(), tesvanor::UserDataFolder() + "Config.Xml");
  qputenv("XDG_DATA_HOME", "relative/path");
  EXPECT_EQ(tesvanor::UserDataFolder(), QDir::homePath() + "/.local/share/Ormentis/Tesvanor/");
  qputenv("XDG_DATA_HOME", home.toUtf8());
}

TEST_F(Configuration, FirstRunCreatesTheFolderChainAndTheFile) {
  TAVConfiguration c;
  c.Load();
  const QByteArray expected =
      "<data PropFormat=\"node\">\r\n"
      "  <TAVConfiguration>\r\n"
      "    <PerformanceOptions>\r\n"
      "      <ThreadCount>0</ThreadCount>\r\n"
      "      <ThreadPrority>2</ThreadPrority>\r\n"
      "    </PerformanceOptions>\r\n"
      "    <OutputFolder>" + (QDir::homePath() + QStringLiteral("/Ormentis转换")).toUtf8() + "</OutputFolder>\r\n"
      "  </TAVConfiguration>\r\n"
      "</data>\r\n";
  EXPECT_EQ(ConfigText(), expected);
  EXPECT_EQ(niceValues, std::vector<int>{0}) << "the first run applies the normal priority";
  EXPECT_TRUE(c.ShowAlert());
  EXPECT_FALSE(c.ShutdownWhenDone());
}

TEST_F(Configuration, BooleansAreWrittenOnlyAwayFromTheirDefaults) {
  TAVConfiguration c;
  c.SetShutdownWhenDone(true);
  c.SetShutdownWhenDone(false);
  c.SetShowAlert(false);
  c.Save();
  EXPECT_FALSE(ConfigText().contains("ShutdownWhenDone"));
  EXPECT_TRUE(ConfigText().contains("    <ShowAlert>0</ShowAlert>\r\n"));
  c.SetShutdownWhenDone(true);
  c.Save();
  EXPECT_TRUE(ConfigText().contains("<ShutdownWhenDone>1</ShutdownWhenDone>"));

  TAVConfiguration read;
  read.Load();
  EXPECT_TRUE(read.ShutdownWhenDone());
  EXPECT_FALSE(read.ShowAlert());
}

TEST_F(Configuration, SimultaneousTasksAreWrittenOnlyWhenLimited) {
  const struct {
    int count;
    bool written;
  } cases[] = {{0, false}, {2, true}, {1, true}};
  for (const auto& c : cases) {
    TAVConfiguration written;
    written.PerformanceOptions().SetSimultaneousTasks(c.count);
    written.Save();
    EXPECT_EQ(ConfigText().contains(QByteArray("      <SimultaneousTasks>") + QByteArray::number(c.count) +
                                    "</SimultaneousTasks>\r\n    </PerformanceOptions>"),
              c.written)
        << c.count;
    EXPECT_EQ(ConfigText().contains("SimultaneousTasks"), c.written) << c.count;
    TAVConfiguration read;
    read.PerformanceOptions().SetSimultaneousTasks(7);
    read.Load();
    EXPECT_EQ(read.PerformanceOptions().SimultaneousTasks(), c.count);
  }
}

TEST_F(Configuration, MissingElementsGiveTheirReadValues) {
  WriteConfig("<data PropFormat=\"node\"><TAVConfiguration><PerformanceOptions><ThreadPrority>1</ThreadPrority>"
              "</PerformanceOptions></TAVConfiguration></data>");
  TAVConfiguration c;
  c.SetShowAlert(false);
  c.SetShutdownWhenDone(true);
  c.Load();
  EXPECT_EQ(c.PerformanceOptions().ThreadCount(), -2147483647 - 1);
  EXPECT_EQ(c.PerformanceOptions().ThreadPrority(), 1);
  EXPECT_TRUE(c.ShowAlert());
  EXPECT_FALSE(c.ShutdownWhenDone());
  EXPECT_TRUE(c.OutputFolder().isEmpty());
  EXPECT_TRUE(niceValues.empty()) << "loading never changes the priority";
  EXPECT_EQ(c.EngineThreadCount(), QThread::idealThreadCount()) << "a count that is no positive number";
}

TEST_F(Configuration, PriorityIsAppliedWhenSaved) {
  TAVConfiguration c;
  c.Load();
  niceValues.clear();
  c.PerformanceOptions().SetThreadPrority(4);
  EXPECT_TRUE(niceValues.empty());
  c.Save();
  EXPECT_EQ(niceValues, std::vector<int>{-10});

  TAVConfiguration next;
  next.Load();
  EXPECT_EQ(next.PerformanceOptions().ThreadPrority(), 4);
  EXPECT_EQ(niceValues.size(), 1u) << "the next start runs at normal priority until saved";
  const std::vector<int> expected{19, 10, 0, -5, -10, -20, 0, 0};
  std::vector<int> actual;
  for (int level : {0, 1, 2, 3, 4, 5, 6, -1}) actual.push_back(NiceValueOfLevel(level));
  EXPECT_EQ(actual, expected);
}

TEST_F(Configuration, ThreadCountRule) {
  TAVConfiguration c;
  EXPECT_EQ(c.EngineThreadCount(), QThread::idealThreadCount());
  c.PerformanceOptions().SetThreadCount(3);
  EXPECT_EQ(c.EngineThreadCount(), 3);
}

TEST_F(Configuration, DamagedFileReportsItsError) {
  WriteConfig("<data PropFormat=\"node\"><TAVConfiguration><ShowAlert>yes</ShowAlert>");
  TAVConfiguration c;
  EXPECT_THROW(c.Load(), EXmlReadError);
  WriteConfig("<data PropFormat=\"node\"><TAVConfiguration><ShowAlert>yes</ShowAlert></TAVConfiguration></data>");
  try {
    c.Load();
    FAIL();
  } catch (const EXmlReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid boolean value (yes).");
  }
}

TEST_F(Configuration, UnwritableFileRaises) {
  TAVConfiguration c;
  const QString folder = testing_support::TemporaryFolder();
  EXPECT_THROW(c.SaveToFile(folder + "/missing/sub/Config.Xml"), EAVError);
  EXPECT_THROW(c.SaveToFile(folder), EAVError);
}

TEST_F(Configuration, PerformanceOptionsAreCopied) {
  TAVConfiguration a, b;
  TPerformanceOptions p;
  p.SetThreadCount(6);
  p.SetThreadPrority(1);
  a.SetPerformanceOptions(p);
  p.SetThreadCount(1);
  EXPECT_EQ(a.PerformanceOptions().ThreadCount(), 6);
  a.SetOutputFolder("/x");
  b.Assign(a);
  EXPECT_EQ(b.PerformanceOptions().ThreadPrority(), 1);
  EXPECT_EQ(b.OutputFolder(), "/x");
  EXPECT_THROW(b.Assign(p), EAVError);
}
