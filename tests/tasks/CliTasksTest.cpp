// tesvanor-cli convert --save-task and tesvanor-cli tasks, against the user's
// database in the test's temporary data folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "support/MediaFixtures.h"
#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/ConversionSettings.h"

using testing_support::RunCli;
using testing_support::TCliRun;

TEST(CliTasks, SavedConversionsShowInTheProgramsHistory) {
  QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis").removeRecursively();
  testing_support::MediaSpec spec;
  spec.seconds = 1;
  const QString source = testing_support::MediaFixture(spec);
  const QString folder = testing_support::TemporaryFolder();
  ASSERT_EQ(RunCli({"convert", source, folder + "/ok.avi", "--save-task", "--quiet"}).exitCode, 0);
  const TCliRun failed = RunCli({"convert", folder + "/missing.avi", folder + "/no.avi", "--save-task", "--quiet"});
  EXPECT_EQ(failed.exitCode, 1);
  ASSERT_EQ(RunCli({"convert", source, folder + "/ok.mp3", "--profile", "mp3 audio", "--save-task", "--quiet"}).exitCode, 0);

  const TCliRun list = RunCli({"tasks"});
  ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
  const QStringList lines = list.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "ID\tConverting\tCategory\tDate\tSource\tTarget\tProfile");
  const QStringList done = lines[1].split('\t');
  ASSERT_EQ(done.size(), 7);
  EXPECT_EQ(done[0], "1");
  EXPECT_EQ(done[1], "0");
  EXPECT_EQ(done[2], QStringLiteral("1 已转换"));
  EXPECT_NE(done[3], "-");
  EXPECT_EQ(done[4], QFileInfo(source).absoluteFilePath());
  EXPECT_EQ(done[5], folder + "/ok.avi");
  EXPECT_EQ(done[6], "tesvanor-cli");
  const QStringList open = lines[2].split('\t');
  EXPECT_EQ(open[1], "1");
  EXPECT_EQ(open[2], "-");
  EXPECT_EQ(lines[3].split('\t').value(6), "MP3 Audio") << "the profile applied is named as the program names it";

  // The program reads the rows like its own.
  TPersistentManager::Connect(TPersistentManager::DatabaseFile(), false);
  TConvertedNode root;
  root.SetCategoryId(1);
  TPersistentManager::LoadConvertedTask(root);
  ASSERT_EQ(root.Tasks().size(), 2u);
  EXPECT_GT(root.Tasks()[0]->Settings().Duration(), 0.9);
  EXPECT_GT(root.Tasks()[0]->Settings().SourceFileSize(), 0);
  TConvertingNode converting;
  TPersistentManager::LoadConvertingTask(converting);
  ASSERT_EQ(converting.Tasks().size(), 1u);
  EXPECT_FALSE(converting.Tasks()[0]->Log().isEmpty()) << "the failure's message is kept";
  TPersistentManager::Disconnect();
}

TEST(CliTasks, UnusableDatabaseIsReported) {
  const QString file = testing_support::TemporaryFolder() + "/bad.cfg";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(4096, 'x'));
  f.close();
  const TCliRun run = RunCli({"tasks", "--database", file});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tesvanor-cli: Can not open Database " + file + "\n");
  EXPECT_EQ(RunCli({"tasks", "--bogus"}).exitCode, 2);
}

TEST(CliTasks, ListingOnlyReadsAndNeedsNoConfiguration) {
  const QString data = qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis/Tesvanor";
  QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis").removeRecursively();
  const TCliRun none = RunCli({"tasks"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "tesvanor-cli: Database " + data + "/av.cfg does not exist\n");
  EXPECT_FALSE(QFileInfo::exists(data)) << "no folder is made";

  // A Config.Xml the program refuses, and a database file that is still empty.
  QDir().mkpath(data);
  const QByteArray broken = "<data PropFormat=\"node\"><TAVConfiguration><PerformanceOptions>";
  QFile config(data + "/Config.Xml");
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(broken);
  config.close();
  QFile(data + "/av.cfg").open(QIODevice::WriteOnly);
  const TCliRun empty = RunCli({"tasks"});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_TRUE(empty.err.startsWith("tesvanor-cli: no such table: ")) << empty.err.toStdString();
  EXPECT_EQ(QFileInfo(data + "/av.cfg").size(), 0) << "nothing is created in it";

  QFile::remove(data + "/av.cfg");
  TPersistentManager::Connect(data + "/av.cfg", true, "/out");
  TPersistentManager::InsertTaskRow("<data/>");
  TPersistentManager::Disconnect();
  const TCliRun list = RunCli({"tasks"});
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  EXPECT_EQ(list.out.count('\n'), 2);
  ASSERT_TRUE(config.open(QIODevice::ReadOnly));
  EXPECT_EQ(config.readAll(), broken);
}

TEST(CliTasks, ASaveRefusesANameTheTaskCannotKeep) {
  QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis").removeRecursively();
  testing_support::MediaSpec spec;
  spec.seconds = 1;
  const QString source = testing_support::MediaFixture(spec);
  const QString target = testing_support::TemporaryFolder() + "/a" + QChar(1) + "b.avi";
  const TCliRun run = RunCli({"convert", source, target, "--save-task", "--quiet"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "tesvanor-cli: Cannot make the task: TargetFile \"" + QString(target).replace(QChar(1), "\\x01") +
                         "\" holds the character U+0001, which a task cannot store. Rename the file or choose another "
                         "name.\n");
  EXPECT_FALSE(QFileInfo::exists(target)) << "refused before converting";
  EXPECT_FALSE(QFileInfo::exists(TPersistentManager::DatabaseFile()));
}
