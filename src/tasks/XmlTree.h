#pragma once
// A small element tree under the XML object form: the writer builds one and
// serialises it, the reader parses text into one and looks values up in it.

#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tasks {

struct TXmlElement {
  QString Name;
  QString Text;  // the element's own character data
  std::vector<std::pair<QString, QString>> Attributes;
  std::vector<std::unique_ptr<TXmlElement>> Children;

  explicit TXmlElement(QString name = {}) : Name(std::move(name)) {}

  bool IsEmpty() const { return Text.isEmpty() && Attributes.empty() && Children.empty(); }
  TXmlElement& AddChild(std::unique_ptr<TXmlElement> child);
  TXmlElement& AddTextChild(const QString& name, const QString& text);
  void SetAttribute(const QString& name, const QString& value);

  // Lookups ignore the letter case of names.
  const TXmlElement* FindChild(const QString& name) const;
  const QString* FindAttribute(const QString& name) const;
};

enum class TXmlLayout { Indented, Compact };

// Indented: one element a line, two spaces a level, CR LF line ends (also
// after the last line). Compact: no white space between elements.
QString SerializeXml(const TXmlElement& root, TXmlLayout layout);

// The first character of text that an XML 1.0 document cannot hold (control
// characters other than tab and line breaks, U+FFFE, U+FFFF, unpaired
// surrogates): the writer would have to drop it. None when all can be written.
std::optional<char32_t> FirstCharacterXmlCannotCarry(const QString& text);

// Parses a document (with or without a byte-order mark) and returns its root
// element; raises EXmlReadError with the parser's message when the text is
// not well-formed.
std::unique_ptr<TXmlElement> ParseXml(const QString& text);

}  // namespace tasks
