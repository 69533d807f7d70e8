// Writing an object: one element (node format) or attribute (attr format)
// per property, in declaration order. A value is left out when it says
// nothing: an ordinal equal to its declared default (without one, only the
// "no default" marker), a float, date-time or 64-bit value of 0, an empty
// string, an object with nothing written. String lists are always written.

#include <QFile>
#include <QSaveFile>
#include <functional>

#include "engine/EngineError.h"
#include "tasks/OmniXML.h"
#include "tasks/XmlTree.h"
#include "tasks/XmlValueText.h"

namespace tasks {

namespace {

class TWriter {
 public:
  explicit TWriter(TPropFormat format) : FFormat(format == TPropFormat::pfAttr ? format : TPropFormat::pfNode) {}

  std::unique_ptr<TXmlElement> Document(const TAVPersistent& object) const {
    auto root = std::make_unique<TXmlElement>(QStringLiteral("data"));
    root->SetAttribute(QStringLiteral("PropFormat"), FormatName());
    auto element = std::make_unique<TXmlElement>(QString::fromLatin1(object.ClassName()));
    WriteProperties(object, *element);
    if (!element->IsEmpty()) root->AddChild(std::move(element));
    return root;
  }

 private:
  QString FormatName() const { return FFormat == TPropFormat::pfAttr ? QStringLiteral("attr") : QStringLiteral("node"); }

  void WriteValue(TXmlElement& parent, const QString& name, const QString& text) const {
    if (FFormat == TPropFormat::pfAttr)
      parent.SetAttribute(name, text);
    else
      parent.AddTextChild(name, text);
  }

  void WriteProperties(const TAVPersistent& object, TXmlElement& element) const {
    for (const TPropInfo& p : object.Properties()) WriteProperty(object, p, element);
  }

  static bool OmitOrdinal(const TPropInfo& p, int64_t value) {
    return p.Default ? value == *p.Default : value == NoDefault;
  }

  void WriteProperty(const TAVPersistent& object, const TPropInfo& p, TXmlElement& element) const {
    const QString name = QString::fromLatin1(p.Name);
    if (p.Kind == TPropKind::Object) {
      if (!p.Object) return;
      const TAVPersistent* child = p.Object(const_cast<TAVPersistent&>(object));
      if (!child) return;
      auto sub = std::make_unique<TXmlElement>(name);
      WriteProperties(*child, *sub);
      if (!sub->IsEmpty()) element.AddChild(std::move(sub));
      return;
    }
    if (!p.Get) return;
    const QVariant v = p.Get(object);
    switch (p.Kind) {
      case TPropKind::Integer:
        if (!OmitOrdinal(p, v.toInt())) WriteValue(element, name, QString::number(v.toInt()));
        break;
      case TPropKind::Boolean:
        if (!OmitOrdinal(p, v.toBool() ? 1 : 0)) WriteValue(element, name, v.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        break;
      case TPropKind::Enumeration: {
        const int ordinal = v.toInt();
        if (!OmitOrdinal(p, ordinal) && ordinal >= 0 && ordinal < int(p.EnumNames.size()))
          WriteValue(element, name, QString::fromLatin1(p.EnumNames[ordinal]));
        break;
      }
      case TPropKind::Char: {
        const QChar c = v.value<QChar>();
        if (!OmitOrdinal(p, c.unicode())) WriteValue(element, name, QString(c));
        break;
      }
      case TPropKind::Set:
        if (!OmitOrdinal(p, v.toInt())) WriteValue(element, name, SetText(p, v.toInt()));
        break;
      case TPropKind::Single:
      case TPropKind::Double:
        if (v.toDouble() != 0) WriteValue(element, name, FloatText(v.toDouble()));
        break;
      case TPropKind::DateTime:
        if (v.toDouble() != 0) WriteValue(element, name, DateTimeText(v.toDouble()));
        break;
      case TPropKind::Int64:
        if (v.toLongLong() != 0) WriteValue(element, name, QString::number(v.toLongLong()));
        break;
      case TPropKind::String:
        if (!v.toString().isEmpty()) WriteValue(element, name, v.toString());
        break;
      case TPropKind::AnsiString:
        if (!v.toByteArray().isEmpty()) WriteValue(element, name, QString::fromUtf8(v.toByteArray()));
        break;
      case TPropKind::StringList: WriteStringList(element, name, v.toStringList()); break;
      case TPropKind::Object: break;
    }
  }

  static QString SetText(const TPropInfo& p, int mask) {
    QStringList members;
    for (size_t bit = 0; bit < p.EnumNames.size() && bit < 31; ++bit)
      if (mask & (1 << bit)) members << QString::fromLatin1(p.EnumNames[bit]);
    return QLatin1Char('[') + members.join(QLatin1Char(',')) + QLatin1Char(']');
  }

  // Count keeps the place of the empty lines, which are not written.
  void WriteStringList(TXmlElement& element, const QString& name, const QStringList& lines) const {
    auto list = std::make_unique<TXmlElement>(name);
    list->SetAttribute(QStringLiteral("Count"), QString::number(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
      if (!lines[i].isEmpty()) WriteValue(*list, QLatin1Char('l') + QString::number(i), lines[i]);
    element.AddChild(std::move(list));
  }

  TPropFormat FFormat;
};

// The text values the writer writes, with their property paths.
void VisitTexts(const TAVPersistent& object, const QString& prefix,
                const std::function<void(const QString& property, const QString& value)>& visit) {
  for (const TPropInfo& p : object.Properties()) {
    const QString name = prefix + QString::fromLatin1(p.Name);
    if (p.Kind == TPropKind::Object) {
      if (const TAVPersistent* child = p.Object ? p.Object(const_cast<TAVPersistent&>(object)) : nullptr)
        VisitTexts(*child, name + QLatin1Char('.'), visit);
      continue;
    }
    if (!p.Get) continue;
    const QVariant v = p.Get(object);
    switch (p.Kind) {
      case TPropKind::String: visit(name, v.toString()); break;
      case TPropKind::AnsiString: visit(name, QString::fromUtf8(v.toByteArray())); break;
      case TPropKind::StringList:
        for (const QString& line : v.toStringList()) visit(name, line);
        break;
      default: break;
    }
  }
}

}  // namespace

std::optional<TUnstorableText> TOmniXMLWriter::FindUnstorableText(const TAVPersistent& object) {
  std::optional<TUnstorableText> found;
  VisitTexts(object, {}, [&](const QString& property, const QString& value) {
    if (found) return;
    if (const auto c = FirstCharacterXmlCannotCarry(value)) found = TUnstorableText{property, value, *c};
  });
  return found;
}

QString TOmniXMLWriter::SaveToString(const TAVPersistent& object, TPropFormat format, TOutputFormat output) {
  const auto document = TWriter(format).Document(object);
  return SerializeXml(*document, output == TOutputFormat::ofIndent ? TXmlLayout::Indented : TXmlLayout::Compact);
}

void TOmniXMLWriter::SaveToFile(const TAVPersistent& object, const QString& fileName, TPropFormat format,
                                TOutputFormat output) {
  const QByteArray bytes = SaveToString(object, format, output).toUtf8();
  // Written aside and renamed: a failed save leaves the old file whole.
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw EAVError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
}

}  // namespace tasks
