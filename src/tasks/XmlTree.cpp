#include "tasks/XmlTree.h"

#include <QXmlStreamReader>

#include "tasks/XmlErrors.h"

namespace tasks {

TXmlElement& TXmlElement::AddChild(std::unique_ptr<TXmlElement> child) {
  Children.push_back(std::move(child));
  return *Children.back();
}

TXmlElement& TXmlElement::AddTextChild(const QString& name, const QString& text) {
  auto child = std::make_unique<TXmlElement>(name);
  child->Text = text;
  return AddChild(std::move(child));
}

void TXmlElement::SetAttribute(const QString& name, const QString& value) {
  for (auto& [n, v] : Attributes)
    if (n == name) {
      v = value;
      return;
    }
  Attributes.emplace_back(name, value);
}

const TXmlElement* TXmlElement::FindChild(const QString& name) const {
  for (const auto& child : Children)
    if (child->Name.compare(name, Qt::CaseInsensitive) == 0) return child.get();
  return nullptr;
}

const QString* TXmlElement::FindAttribute(const QString& name) const {
  for (const auto& [n, v] : Attributes)
    if (n.compare(name, Qt::CaseInsensitive) == 0) return &v;
  return nullptr;
}

// ------------------------------------------------------------- writing

namespace {

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

std::optional<char32_t> FirstCharacterXmlCannotCarry(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;  // a pair: a character beyond U+FFFF, which XML carries
      continue;
    }
    if (c.isSurrogate() || !IsXmlChar(c.unicode())) return char32_t(c.unicode());
  }
  return std::nullopt;
}

namespace {

// The five predefined entities where they are needed, character references
// for the line-break characters a parser would otherwise normalise, and no
// character that XML 1.0 cannot carry at all.
QString Escape(const QString& text, bool attribute) {
  QString out;
  out.reserve(text.size());
  for (char32_t c : text.toUcs4()) {
    switch (c) {
      case '&': out += QLatin1String("&amp;"); break;
      case '<': out += QLatin1String("&lt;"); break;
      case '>': out += QLatin1String("&gt;"); break;
      case '"': out += attribute ? QLatin1String("&quot;") : QLatin1String("\""); break;
      case '\r': out += QLatin1String("&#13;"); break;
      case '\n': out += attribute ? QLatin1String("&#10;") : QLatin1String("\n"); break;
      case '\t': out += attribute ? QLatin1String("&#9;") : QLatin1String("\t"); break;
      default:
        if (IsXmlChar(c)) out += QString::fromUcs4(&c, 1);
    }
  }
  return out;
}

void Write(const TXmlElement& e, TXmlLayout layout, int depth, QString& out) {
  const bool indented = layout == TXmlLayout::Indented;
  if (indented) out += QString(depth * 2, QLatin1Char(' '));
  out += QLatin1Char('<') + e.Name;
  for (const auto& [name, value] : e.Attributes) out += QLatin1Char(' ') + name + QLatin1String("=\"") + Escape(value, true) + QLatin1Char('"');
  if (e.Text.isEmpty() && e.Children.empty()) {
    out += QLatin1String("/>");
  } else if (e.Children.empty()) {
    out += QLatin1Char('>') + Escape(e.Text, false) + QLatin1String("</") + e.Name + QLatin1Char('>');
  } else {
    out += QLatin1Char('>');
    out += Escape(e.Text, false);
    if (indented) out += QLatin1String("\r\n");
    for (const auto& child : e.Children) Write(*child, layout, depth + 1, out);
    if (indented) out += QString(depth * 2, QLatin1Char(' '));
    out += QLatin1String("</") + e.Name + QLatin1Char('>');
  }
  if (indented) out += QLatin1String("\r\n");
}

}  // namespace

QString SerializeXml(const TXmlElement& root, TXmlLayout layout) {
  QString out;
  Write(root, layout, 0, out);
  return out;
}

// ------------------------------------------------------------- reading

namespace {

[[noreturn]] void FailParse(const QXmlStreamReader& reader) {
  throw EXmlReadError(QStringLiteral("%1 (line %2, column %3)")
                          .arg(reader.errorString())
                          .arg(reader.lineNumber())
                          .arg(reader.columnNumber()));
}

// Stored documents nest a few levels; a damaged one nesting without end must
// fail instead of running the stack out (reading and freeing both recurse).
constexpr int MaxNesting = 256;

std::unique_ptr<TXmlElement> ReadElement(QXmlStreamReader& reader, int depth) {
  if (depth > MaxNesting)
    throw EXmlReadError(QStringLiteral("Elements nested too deeply (line %1, column %2)")
                            .arg(reader.lineNumber())
                            .arg(reader.columnNumber()));
  auto element = std::make_unique<TXmlElement>(reader.name().toString());
  for (const QXmlStreamAttribute& a : reader.attributes())
    element->Attributes.emplace_back(a.qualifiedName().toString(), a.value().toString());
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement: element->AddChild(ReadElement(reader, depth + 1)); break;
      case QXmlStreamReader::Characters:
        if (!reader.isWhitespace() || element->Children.empty()) element->Text += reader.text();
        break;
      case QXmlStreamReader::EndElement:
        // White space that only lays out child elements is no value.
        if (!element->Children.empty() && element->Text.trimmed().isEmpty()) element->Text.clear();
        return element;
      default: break;
    }
  }
  FailParse(reader);
}

}  // namespace

std::unique_ptr<TXmlElement> ParseXml(const QString& text) {
  QString body = text;
  if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
  QXmlStreamReader reader(body);
  std::unique_ptr<TXmlElement> root;
  while (!reader.atEnd()) {
    const auto token = reader.readNext();
    if (token == QXmlStreamReader::StartElement) {
      root = ReadElement(reader, 1);
      if (reader.hasError()) FailParse(reader);
    }
  }
  if (reader.hasError()) FailParse(reader);
  if (!root) throw EXmlReadError(QStringLiteral("The document has no root element."));
  return root;
}

}  // namespace tasks
