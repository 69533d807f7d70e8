#pragma once
// The XML object form: any persistable object written as XML and read back,
// driven by its class's persistent property table.
//
//   <data PropFormat="node"><TConversionSettings><SourceFile>…</SourceFile>…
//
// The writer omits values that equal their declared default (see the rules
// in OmniXMLWriter.cpp); the reader assigns every property, using the
// declared default for a missing one.

#include <QString>
#include <optional>

#include "engine/AVConvertOptions.h"

namespace tasks {

enum class TPropFormat { pfAuto, pfAttr, pfNode };
enum class TOutputFormat { ofNone, ofIndent };

// Marks an integer property without a declared default that has no value.
constexpr int NoDefault = -2147483647 - 1;

// A text value that the writer cannot write exactly (see
// FirstCharacterXmlCannotCarry): where it is and the first such character.
struct TUnstorableText {
  QString Property;  // the property path, e.g. "TargetFile" or "FilterOptions.VideoFilters"
  QString Value;
  char32_t Character = 0;
};

class TOmniXMLWriter {
 public:
  // The first text value of the object (and the objects it holds) that a
  // document could not carry byte for byte; none when every value reads back
  // as it is.
  static std::optional<TUnstorableText> FindUnstorableText(const TAVPersistent& object);
  // Indented, CR LF, UTF-8; raises EAVError when the file cannot be written.
  static void SaveToFile(const TAVPersistent& object, const QString& fileName,
                         TPropFormat format = TPropFormat::pfNode, TOutputFormat output = TOutputFormat::ofIndent);
  // Unindented text, as the task database stores it.
  static QString SaveToString(const TAVPersistent& object, TPropFormat format = TPropFormat::pfNode,
                              TOutputFormat output = TOutputFormat::ofNone);
};

class TOmniXMLReader {
 public:
  // Fill the properties of an existing object; the property format is the
  // document's. Raise EXmlReadError with the reader's message texts; the
  // properties assigned before a failure keep their new values.
  static void LoadFromString(TAVPersistent& object, const QString& text);
  static void LoadFromFile(TAVPersistent& object, const QString& fileName);
};

}  // namespace tasks
