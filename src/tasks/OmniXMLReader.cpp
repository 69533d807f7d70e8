// Reading an object back: every property with read and write access is
// assigned, from its element (node format) or attribute (attr format) when
// present, from its declared default when not. Names match in any letter case.

#include <QFile>

#include "tasks/OmniXML.h"
#include "tasks/XmlErrors.h"
#include "tasks/XmlTree.h"
#include "tasks/XmlValueText.h"

namespace tasks {

namespace {

// A corrupt Count must not make the reader allocate without bound.
constexpr int MaxStringListCount = 1 << 20;

[[noreturn]] void Fail(const char* pattern, const QString& text) {
  throw EXmlReadError(QString::fromLatin1(pattern).arg(text));
}

TPropFormat FormatOf(const TXmlElement& root) {
  const QString* name = root.FindAttribute(QStringLiteral("PropFormat"));
  if (!name) return TPropFormat::pfNode;
  if (name->compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) return TPropFormat::pfAuto;
  if (name->compare(QLatin1String("attr"), Qt::CaseInsensitive) == 0) return TPropFormat::pfAttr;
  return TPropFormat::pfNode;
}

class TReader {
 public:
  explicit TReader(TPropFormat format) : FFormat(format) {
    if (format == TPropFormat::pfAuto) throw EXmlReadError(QStringLiteral("Auto PropFormat not allowed here."));
  }

  void ReadProperties(TAVPersistent& object, const TXmlElement& element) const {
    for (const TPropInfo& p : object.Properties()) ReadProperty(object, p, element);
  }

 private:
  std::optional<QString> Value(const TXmlElement& element, const QString& name) const {
    if (FFormat == TPropFormat::pfAttr) {
      if (const QString* v = element.FindAttribute(name)) return *v;
      return std::nullopt;
    }
    if (const TXmlElement* child = element.FindChild(name)) return child->Text;
    return std::nullopt;
  }

  static int64_t Absent(const TPropInfo& p, int64_t fallback) { return p.Default ? *p.Default : fallback; }

  static int ParseInt(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) Fail("Invalid integer value (%1).", text);
    return v;
  }

  static int ParseEnum(const TPropInfo& p, const QString& text) {
    for (size_t i = 0; i < p.EnumNames.size(); ++i)
      if (text.trimmed().compare(QLatin1String(p.EnumNames[i]), Qt::CaseInsensitive) == 0) return int(i);
    Fail("Invalid property element: %1", text);
  }

  static int ParseSet(const TPropInfo& p, const QString& text) {
    QString inner = text.trimmed();
    if (!inner.startsWith(QLatin1Char('[')) || !inner.endsWith(QLatin1Char(']')))
      Fail("Invalid property element: %1", text);
    int mask = 0;
    for (const QString& member : inner.mid(1, inner.size() - 2).split(QLatin1Char(','), Qt::SkipEmptyParts))
      mask |= 1 << ParseEnum(p, member);
    return mask;
  }

  void ReadProperty(TAVPersistent& object, const TPropInfo& p, const TXmlElement& element) const {
    const QString name = QString::fromLatin1(p.Name);
    if (p.Kind == TPropKind::Object) {
      const TXmlElement* child = element.FindChild(name);
      TAVPersistent* target = p.Object ? p.Object(object) : nullptr;
      if (child && target) ReadProperties(*target, *child);
      return;
    }
    if (!p.Get || !p.Set) return;
    if (p.Kind == TPropKind::StringList) {
      p.Set(object, ReadStringList(element.FindChild(name)));
      return;
    }
    const std::optional<QString> text = Value(element, name);
    switch (p.Kind) {
      case TPropKind::Integer:
        p.Set(object, text ? ParseInt(*text) : int(Absent(p, NoDefault)));
        break;
      case TPropKind::Boolean:
        if (text && *text != QLatin1String("1") && *text != QLatin1String("0")) Fail("Invalid boolean value (%1).", *text);
        p.Set(object, text ? *text == QLatin1String("1") : Absent(p, 0) != 0);
        break;
      case TPropKind::Enumeration: p.Set(object, text ? ParseEnum(p, *text) : int(Absent(p, 0))); break;
      case TPropKind::Char:
        p.Set(object, text && !text->isEmpty() ? text->front() : QChar(char16_t(Absent(p, 0))));
        break;
      case TPropKind::Set: p.Set(object, text ? ParseSet(p, *text) : int(Absent(p, 0))); break;
      case TPropKind::Single: p.Set(object, float(text ? ParseFloatText(*text) : 0.0)); break;
      case TPropKind::Double: p.Set(object, text ? ParseFloatText(*text) : 0.0); break;
      case TPropKind::DateTime: {
        std::optional<double> days = 0.0;
        if (text) days = ParseDateTimeText(*text);
        if (!days) Fail("Error in datetime property %1", name);
        p.Set(object, *days);
        break;
      }
      case TPropKind::Int64:
        if (text) {
          bool ok = false;
          const qint64 v = text->trimmed().toLongLong(&ok, 10);
          if (!ok) Fail("Invalid int64 value (%1).", *text);
          p.Set(object, v);
        }
        break;
      case TPropKind::String: p.Set(object, text.value_or(QString())); break;
      case TPropKind::AnsiString: p.Set(object, text.value_or(QString()).toUtf8()); break;
      case TPropKind::StringList:
      case TPropKind::Object: break;
    }
  }

  QStringList ReadStringList(const TXmlElement* element) const {
    QStringList lines;
    if (!element) return lines;
    const QString* countText = element->FindAttribute(QStringLiteral("Count"));
    bool ok = false;
    const int count = countText ? countText->trimmed().toInt(&ok) : 0;
    if (ok && count > MaxStringListCount) Fail("Invalid integer value (%1).", *countText);
    for (int i = 0; ok && i < count; ++i)
      lines << Value(*element, QLatin1Char('l') + QString::number(i)).value_or(QString());
    return lines;
  }

  TPropFormat FFormat;
};

}  // namespace

void TOmniXMLReader::LoadFromString(TAVPersistent& object, const QString& text) {
  const auto root = ParseXml(text);
  const TReader reader(FormatOf(*root));
  if (const TXmlElement* element = root->FindChild(QString::fromLatin1(object.ClassName())))
    reader.ReadProperties(object, *element);
}

void TOmniXMLReader::LoadFromFile(TAVPersistent& object, const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EXmlReadError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
  QByteArray bytes = file.readAll();
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  LoadFromString(object, QString::fromUtf8(bytes));
}

}  // namespace tasks
