// tesvanor-cli convert as a script uses it: what each option does to the file,
// and the message and exit status of every mistake.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

QString Clip() {
  MediaSpec spec;
  spec.seconds = 2;
  return MediaFixture(spec);
}

QString Usage(const QString& message) {
  return "tesvanor-cli: " + message + "\nRun 'tesvanor-cli help' for the usage.\n";
}

}  // namespace

TEST(CommandLine, MistakesInTheArgumentsAreUsageErrors) {
  const QString source = Clip(), target = TemporaryFolder() + "/never.mkv";
  const struct {
    QStringList args;
    QString message;
  } cases[] = {
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"convert", source}, "convert wants a SOURCE and a TARGET"},
      {{"convert", source, target, "extra"}, "convert wants a SOURCE and a TARGET"},
      {{"convert", source, target, "--bogus"}, "unknown option --bogus"},
      {{"convert", source, target, "--set"}, "--set needs a value"},
      {{"convert", source, target, "--set", "VideoOptions.Nothing=1"}, "unknown option VideoOptions.Nothing"},
      {{"convert", source, target, "--set", "VideoOptions.Bitrate=fast"}, "invalid value 'fast' for VideoOptions.Bitrate"},
      {{"convert", source, target, "--metadata", "title"}, "--metadata wants NAME=VALUE, not 'title'"},
      {{"convert", source, target, "--codec-option", "=5"}, "--codec-option wants NAME=VALUE, not '=5'"},
      {{"convert", source, target, "--threads", "-1"}, "--threads wants a number of 0 or more"},
      {{"convert", source, target, "--profile", "No Such Profile"},
       "unknown profile 'No Such Profile' (see 'tesvanor-cli profiles')"},
      {{"convert", "--output-folder", TemporaryFolder()}, "convert --output-folder wants at least one SOURCE"},
      {{"convert", source, "--output-folder", TemporaryFolder(), "--input", source},
       "--output-folder does not go with --input or --output"},
      {{"convert", source, "--output-folder", TemporaryFolder(), "--dvd-title", "1"},
       "--output-folder does not go with --dvd-title"},
      {{"convert", source, "--output-folder", TemporaryFolder(), "--jobs", "0"}, "--jobs wants a number of 1 or more"},
  };
  for (const auto& c : cases) {
    const TCliRun run = RunCli(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args.join(' ').toStdString();
    EXPECT_EQ(run.err, Usage(c.message));
  }
  EXPECT_FALSE(QFileInfo::exists(target)) << "no usage error starts a conversion";
}

TEST(CommandLine, AFailedConversionSaysWhyAndExitsWithOne) {
  const TCliRun run = RunCli({"convert", TemporaryFolder() + "/missing.avi", TemporaryFolder() + "/out.avi", "--quiet"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("Error: 打不开:-2!\n"));
}

TEST(CommandLine, OptionsReachTheFile) {
  const QString target = TemporaryFolder() + "/options.mkv";
  const TCliRun run = RunCli({"convert", Clip(), target, "--threads", "0", "--codec-option", "g=5", "--metadata",
                              "title=片名 one", "--set", "VideoOptions.EncoderVideoCodecName=mpeg4", "--set",
                              "AudioOptions.AudioDisable=true"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  // The progress line ends at 100 %.
  EXPECT_TRUE(run.err.contains(" 100%")) << run.err.toStdString();
  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), "mpeg4");
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "");
  EXPECT_EQ(RunTool("ffprobe", {"-v", "error", "-show_entries", "format_tags=title", "-of", "default=nw=1:nk=1", target})
                .trimmed(),
            QStringLiteral("片名 one"));
  // A key frame every fifth picture: 50 pictures, 10 key frames.
  const QString flags = RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=flags",
                                            "-of", "csv=p=0", target});
  EXPECT_EQ(flags.count('K'), 10) << flags.toStdString();
}

TEST(CommandLine, ARateSetByHandIsKeptEvenWhenItIsTheDefault) {
  MediaSpec spec;
  spec.seconds = 1;
  spec.rate = "30";
  const QString target = TemporaryFolder() + "/pal.avi";
  const TCliRun run = RunCli({"convert", MediaFixture(spec), target, "--quiet", "--set", "VideoOptions.FrameRate.num=25"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(ProbeStream(target, "v:0", "r_frame_rate"), "25/1");
}

TEST(CommandLine, VerboseShowsTheEnginesLog) {
  const QString target = TemporaryFolder() + "/verbose.mp2";
  const TCliRun quiet = RunCli({"convert", Clip(), target, "--quiet"});
  ASSERT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.err, "");
  const TCliRun verbose = RunCli({"convert", Clip(), target, "--quiet", "--verbose", "--codec-option", "partitions=+parti8x8"});
  ASSERT_EQ(verbose.exitCode, 0);
  EXPECT_TRUE(verbose.err.contains("Option partitions=+parti8x8 has no effect with this encoder")) << verbose.err.toStdString();
}

TEST(CommandLine, SeveralSourcesGoIntoTheOutputFolder) {
  const QString folder = TemporaryFolder();
  const QString first = folder + "/a/clip.avi", second = folder + "/b/clip.avi", missing = folder + "/gone.avi";
  for (const QString& copy : {first, second}) {
    QDir().mkpath(QFileInfo(copy).path());
    ASSERT_TRUE(QFile::copy(Clip(), copy));
  }
  const QString out = folder + "/out";
  const TCliRun run = RunCli({"convert", first, missing, second, "--output-folder", out, "--profile",
                              "Matroska Video", "--jobs", "2", "--set", "AudioOptions.AudioDisable=true"});
  // The others are converted; the missing one is named, and the run fails.
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains("failed " + missing + ": 打不开:-2!")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("tesvanor-cli: 1 of 3 conversions failed")) << run.err.toStdString();
  for (const QString name : {"clip.mkv", "clip (2).mkv"}) {
    EXPECT_EQ(ProbeStream(out + "/" + name, "v:0", "codec_name"), "h264") << name.toStdString();
    EXPECT_EQ(ProbeStream(out + "/" + name, "a:0", "codec_name"), "") << "the options hold for every source";
  }
  EXPECT_FALSE(QFileInfo::exists(out + "/gone.mkv"));

  // Without a profile each target keeps its source's kind.
  const TCliRun same = RunCli({"convert", first, "--output-folder", out + "/same", "--quiet"});
  EXPECT_EQ(same.exitCode, 0) << same.err.toStdString();
  EXPECT_EQ(ProbeFormat(out + "/same/clip.avi", "format_name"), "avi");

  // A name a stored task cannot keep is refused before converting, even quietly.
  const QString odd = folder + "/odd" + QChar(1) + ".avi";
  ASSERT_TRUE(QFile::copy(Clip(), odd));
  const TCliRun saved = RunCli({"convert", odd, first, "--output-folder", out + "/saved", "--save-task", "--quiet"});
  EXPECT_EQ(saved.exitCode, 1);
  EXPECT_TRUE(saved.err.startsWith("[1/2] refused " + odd + ": Cannot make the task: SourceFile")) << saved.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(out + "/saved/clip.avi"));
}
