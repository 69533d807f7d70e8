// The INI editor under Profiles.ini and the comma text of option lines.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "profiles/CommaText.h"
#include "profiles/IniFile.h"
#include "support/TestSupport.h"

using profiles::JoinCommaText;
using profiles::SplitCommaText;

namespace {

QString WriteFile(const QByteArray& content) {
  const QString path = QDir(testing_support::TemporaryFolder()).filePath("test.ini");
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(content);
  return path;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

}  // namespace

TEST(IniFile, RewritesInPlaceAppendsToTheSectionAndKeepsTheRest) {
  const QString path = WriteFile(
      "; kept comment\n"
      "[Profile]\n"
      "Description0 = old\n"
      "Unknown=keep me\n"
      "\n"
      "[Other]\n"
      "Description0=other section\n");
  TIniFile ini(path);
  ini.WriteString("profile", "DESCRIPTION0", "new");
  ini.WriteInteger("Profile", "ProfileCount", 1);
  ini.WriteString("Third", "Key", "value");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path),
            "; kept comment\n"
            "[Profile]\n"
            "Description0=new\n"
            "Unknown=keep me\n"
            "ProfileCount=1\n"
            "\n"
            "[Other]\n"
            "Description0=other section\n"
            "\n"
            "[Third]\n"
            "Key=value\n");
  const TIniFile again(path);
  EXPECT_EQ(again.ReadString("Other", "Description0", ""), "other section");
  EXPECT_EQ(again.ReadString("Profile", "unknown", ""), "keep me");
}

TEST(IniFile, NumbersReadAsDecimalOrHexAndBadTextKeepsTheDefault) {
  const QString path = WriteFile(
      "[S]\nDec=-42\nHex=0xAC44\nHEX2=0X1f\nBad=12abc\nEmpty=\nBool=7\nZero=0\nFloat=12.2\nNan=nan\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("S", "Dec", 5), -42);
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 5), 44100);
  EXPECT_EQ(ini.ReadInteger("S", "Hex2", 5), 31);
  EXPECT_EQ(ini.ReadInteger("S", "Bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "Empty", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "Missing", 5), 5);
  EXPECT_TRUE(ini.ReadBool("S", "Bool", false));
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Bad", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Float", 0), 12.2);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Nan", 3), 3);
  EXPECT_EQ(ini.ReadString("S", "Missing", "default"), "default");
}

TEST(IniFile, TextIsUtf8AndTheFilesShapeIsKept) {
  const QString path = WriteFile("\xEF\xBB\xBF[Profile]\r\nCategory0=\xE9\x9F\xB3\xE9\xA2\x91\r\ngarbage \xFF\xFE line\r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Profile", "Category0", ""), QString::fromUtf8("音频"));
  ini.WriteString("Profile", "Category1", QString::fromUtf8("视频"));
  ini.WriteFloat("Profile", "AudioBitrate0", 128.0);
  ini.WriteFloat("Profile", "AudioBitrate1", 12.2);
  ini.WriteString("Profile", "Description0", "two\nlines");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path),
            "\xEF\xBB\xBF[Profile]\r\nCategory0=\xE9\x9F\xB3\xE9\xA2\x91\r\ngarbage \xFF\xFE line\r\n"
            "Category1=\xE8\xA7\x86\xE9\xA2\x91\r\nAudioBitrate0=128\r\nAudioBitrate1=12.2\r\n"
            "Description0=two lines\r\n");
}

TEST(IniFile, AFileThatCannotBeWrittenRaisesAnError) {
  const QString blocker = WriteFile("not a folder");
  TIniFile ini(blocker + "/Profiles.ini");
  ini.WriteInteger("Profile", "ProfileCount", 0);
  EXPECT_THROW(ini.UpdateFile(), EIniFileError);
}

TEST(CommaText, QuotesWhatWouldOtherwiseSplit) {
  EXPECT_EQ(JoinCommaText({}), "");
  EXPECT_EQ(JoinCommaText({""}), "\"\"");
  EXPECT_EQ(JoinCommaText({"maxrate=1000000", "g=300"}), "maxrate=1000000,g=300");
  EXPECT_EQ(JoinCommaText({"a b", "c,d", "e\"f", "tab\there", "", "plain"}),
            "\"a b\",\"c,d\",\"e\"\"f\",\"tab\there\",,plain");
  EXPECT_EQ(JoinCommaText({QString::fromUtf8("名=值")}), QString::fromUtf8("名=值"));
}

TEST(CommaText, SplitsAtCommasAndBlanksOutsideQuotes) {
  const QStringList tricky{"a b", "c,d", "e\"f", "tab\there", "", "plain"};
  EXPECT_EQ(SplitCommaText(JoinCommaText(tricky)), tricky);
  EXPECT_EQ(SplitCommaText("\"\""), QStringList({""}));
  EXPECT_EQ(SplitCommaText(""), QStringList());
  EXPECT_EQ(SplitCommaText("  a b,c  "), QStringList({"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("a,,b"), QStringList({"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a,"), QStringList({"a", ""}));
  EXPECT_EQ(SplitCommaText("\"open, never closed"), QStringList({"open, never closed"}));
  EXPECT_EQ(SplitCommaText(QString("a") + QChar(0) + "b"), QStringList({"a", "b"}));
}
