#include "engine/FilterDialectItems.h"

#include <ft2build.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <type_traits>
#include FT_FREETYPE_H

namespace engine::dialect {

namespace {

QRegularExpressionMatch Match(const char* pattern, const QString& item) {
  // Built per call: a translation happens once per graph, and a pattern
  // object shared between conversion threads is not worth the doubt.
  return QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::DotMatchesEverythingOption).match(item);
}

// Stored paths have every backslash doubled.
QString UnescapePath(const QString& path) { return QString(path).replace(QLatin1String("\\\\"), QLatin1String("\\")); }

bool IsReadableFile(const QString& path) {
  const QFileInfo file(path);
  return file.isFile() && file.isReadable();
}

QString Option(const char* name, const QString& value) {
  return QLatin1String(name) + QLatin1Char('=') + QuoteOptionValue(value);
}

TItemTranslation Failed(const QString& why) {
  TItemTranslation t;
  t.recognised = true;
  t.error = why;
  return t;
}

TItemTranslation Translated(const QString& chain, const QString& source = QString()) {
  TItemTranslation t;
  t.recognised = true;
  t.item.chain = chain;
  t.item.source = source;
  return t;
}

// logo=X|Y|file: the picture read by a movie source and overlaid at X,Y. The
// name is a plain file name, never a numbered picture sequence such as %d.
TItemTranslation Logo(const QString& item) {
  const QRegularExpressionMatch m = Match(R"(^logo=(-?[0-9]+)\|(-?[0-9]+)\|(.+)$)", item);
  if (!m.hasMatch()) return Failed(QStringLiteral("malformed logo item, expected logo=X|Y|file"));
  const QString file = UnescapePath(m.captured(3));
  if (!IsReadableFile(file)) return Failed(QStringLiteral("logo file not found: %1").arg(file));
  return Translated(QStringLiteral("overlay=x=%1:y=%2").arg(m.captured(1), m.captured(2)),
                    QStringLiteral("movie=") + EscapeFilterArguments(Option("filename", file) + QLatin1Char(':') +
                                                                     Option("format_opts", "pattern_type=none")));
}

// drawtext with '#' separators, the text in plain quotes and line breaks
// written as backslash n. The text is drawn as it is (no % expansion).
TItemTranslation OverlayText(const QString& item) {
  const QRegularExpressionMatch m =
      Match(R"(^drawtext=fontfile=\\'(.*?)\\'#text='(.*)'#x=(-?[0-9]+)#y=(-?[0-9]+)#fontsize=(-?[0-9]+))"
            R"(#fgcolor=0x([0-9A-Fa-f]{8})#bgcolor=0x([0-9A-Fa-f]{8})$)",
            item);
  if (!m.hasMatch()) return Failed(QStringLiteral("malformed overlay text item"));
  const QString font = UnescapePath(m.captured(1));
  QStringList args;
  if (!font.isEmpty()) {
    if (!IsReadableFile(font)) return Failed(QStringLiteral("font file not found: %1").arg(font));
    args << Option("fontfile", font);
  }
  const QString text = m.captured(2).replace(QLatin1String("\\n"), QLatin1String("\n"));
  args << Option("text", text) << QStringLiteral("x=") + m.captured(3) << QStringLiteral("y=") + m.captured(4)
       << QStringLiteral("fontsize=") + m.captured(5) << QStringLiteral("fontcolor=0x") + m.captured(6)
       << QStringLiteral("boxcolor=0x") + m.captured(7) << QStringLiteral("expansion=none");
  return Translated(QStringLiteral("drawtext=") + EscapeFilterArguments(args.join(QLatin1Char(':'))));
}

// A code page given by number only is a Windows code page.
QString CharacterEncoding(const QString& codePage) {
  return Match("^[0-9]+$", codePage).hasMatch() ? QStringLiteral("CP") + codePage : codePage;
}

// The subtitle colour 0xRRGGBB as a subtitle style colour &HAABBGGRR (opaque).
QString StyleColour(uint32_t rgb) {
  return QString::asprintf("&H00%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

// The subtitles filter with args; when the conversion starts later than the
// source, the pictures are shown to it at their time in the source.
TItemTranslation SubtitlesAtSourceTime(const QStringList& args, int64_t shift) {
  const QString subtitlesFilter = QStringLiteral("subtitles=") + EscapeFilterArguments(args.join(QLatin1Char(':')));
  if (shift == 0) return Translated(subtitlesFilter);
  const QString seconds = QString::number(double(shift) / 1000000.0, 'f', 6);
  return Translated(QStringLiteral("setpts=PTS+(%1)/TB,%2,setpts=PTS-(%1)/TB").arg(seconds, subtitlesFilter));
}

// ass=filename$S#font$F#color$0xRRGGBB00[#codepage$C]: the subtitles filter
// with the font's family forced on every style, the font's folder searched
// first, and the code page as the subtitle text's character encoding. When
// the conversion starts later than the source, the pictures are shown to it
// at their time in the source.
TItemTranslation Subtitles(const QString& item, int64_t shift) {
  const QRegularExpressionMatch m =
      Match(R"(^ass=filename\$(.*)#font\$(.*)#color\$0x([0-9A-Fa-f]{0,6})00(?:#codepage\$(.*))?$)", item);
  if (!m.hasMatch()) return Failed(QStringLiteral("malformed subtitle item"));
  const QString subtitles = UnescapePath(m.captured(1));
  const QString font = UnescapePath(m.captured(2));
  if (!IsReadableFile(subtitles)) return Failed(QStringLiteral("subtitle file not found: %1").arg(subtitles));
  QStringList args{Option("filename", subtitles)};
  QStringList style;
  if (!font.isEmpty()) {
    if (!IsReadableFile(font)) return Failed(QStringLiteral("font file not found: %1").arg(font));
    const QString family = FontFamilyName(font);
    if (family.isEmpty()) return Failed(QStringLiteral("not a font file: %1").arg(font));
    args << Option("fontsdir", QFileInfo(font).absolutePath());
    style << QStringLiteral("FontName=") + family;
  }
  style << QStringLiteral("PrimaryColour=") + StyleColour(m.captured(3).toUInt(nullptr, 16));
  const QString codePage = m.captured(4).trimmed();
  if (!codePage.isEmpty()) args << Option("charenc", CharacterEncoding(codePage));
  args << Option("force_style", style.join(QLatin1Char(',')));
  return SubtitlesAtSourceTime(args, shift);
}

// burn=stream$N: the source's own subtitle track N drawn into its pictures.
TItemTranslation BurntSubtitles(const QString& item, int64_t shift, const QString& sourceFile) {
  const QRegularExpressionMatch m = Match(R"(^burn=stream\$([0-9]+)$)", item);
  if (!m.hasMatch()) return Failed(QStringLiteral("malformed subtitle item"));
  if (!IsReadableFile(sourceFile)) return Failed(QStringLiteral("the source's subtitles cannot be read here"));
  return SubtitlesAtSourceTime({Option("filename", sourceFile), QStringLiteral("si=") + m.captured(1)}, shift);
}

// rotate=DEGREES: the output grows to the rotated picture's bounding box
// (rounded to even sizes for the encoders), so nothing is cut off.
TItemTranslation Rotate(const QString& item) {
  const QRegularExpressionMatch m = Match("^rotate=(-?[0-9]+)$", item);
  if (!m.hasMatch()) return {};
  const QString angle = m.captured(1) + QStringLiteral("*PI/180");
  return Translated(QStringLiteral("rotate=a=%1:ow=trunc(rotw(%1)/2+0.5)*2:oh=trunc(roth(%1)/2+0.5)*2").arg(angle));
}

// drawbox=X:Y:W:H:COLOUR, the colour a name or value the library knows.
TItemTranslation DrawBox(const QString& item) {
  const QRegularExpressionMatch m = Match("^drawbox=(-?[0-9]+):(-?[0-9]+):(-?[0-9]+):(-?[0-9]+):([^:=,]*)$", item);
  if (!m.hasMatch()) return {};
  QString args = QStringLiteral("x=%1:y=%2:w=%3:h=%4").arg(m.captured(1), m.captured(2), m.captured(3), m.captured(4));
  if (!m.captured(5).isEmpty()) args += QLatin1Char(':') + Option("color", m.captured(5));
  return Translated(QStringLiteral("drawbox=") + EscapeFilterArguments(args));
}

}  // namespace

TItemTranslation TranslateDialectItem(const QString& item, int64_t subtitleShift, const QString& sourceFile) {
  if (item.startsWith(QLatin1String("logo="))) return Logo(item);
  if (item.startsWith(QLatin1String("drawtext=fontfile=\\'"))) return OverlayText(item);
  if (item.startsWith(QLatin1String("ass=filename$"))) return Subtitles(item, subtitleShift);
  if (item.startsWith(QLatin1String("burn="))) return BurntSubtitles(item, subtitleShift, sourceFile);
  if (item.startsWith(QLatin1String("rotate="))) return Rotate(item);
  if (item.startsWith(QLatin1String("drawbox="))) return DrawBox(item);
  return {};
}

QString QuoteOptionValue(const QString& value) {
  // Inside quotes everything is literal; a quote itself closes, is escaped
  // and reopens.
  return QLatin1Char('\'') + QString(value).replace(QLatin1String("'"), QLatin1String("'\\''")) + QLatin1Char('\'');
}

QString EscapeFilterArguments(const QString& arguments) {
  QString escaped;
  escaped.reserve(arguments.size() * 2);
  for (const QChar c : arguments) {
    if (QStringView(u"\\'[],;").contains(c)) escaped += QLatin1Char('\\');
    escaped += c;
  }
  return escaped;
}

QString FontFamilyName(const QString& fontFile) {
  using Library = std::unique_ptr<std::remove_pointer_t<FT_Library>, decltype(&FT_Done_FreeType)>;
  using Face = std::unique_ptr<std::remove_pointer_t<FT_Face>, decltype(&FT_Done_Face)>;
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) return QString();
  const Library library(rawLibrary, &FT_Done_FreeType);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(rawLibrary, QFile::encodeName(fontFile).constData(), 0, &rawFace) != 0) return QString();
  const Face face(rawFace, &FT_Done_Face);
  return face->family_name ? QString::fromUtf8(face->family_name) : QString();
}

}  // namespace engine::dialect
