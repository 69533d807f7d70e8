#pragma once
// The persistent properties of a persistable class, described once: name,
// kind, declared default and access. The XML object form and the command-line
// tool's --set read and write options through these tables.

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

class TAVPersistent;

enum class TPropKind {
  Integer,      // int
  Boolean,      // bool
  Enumeration,  // int ordinal; EnumNames gives the value names
  Single,       // float
  Double,       // double
  DateTime,     // double, days since 1899-12-30
  Int64,        // qint64
  String,       // Unicode text (QString)
  AnsiString,   // 8-bit text handed to the media libraries (QByteArray)
  StringList,   // QStringList
  Object,       // an owned persistable object, filled in place
  Char,         // QChar
  Set,          // int bit mask, bit i = EnumNames[i]
};

struct TPropInfo {
  const char* Name;
  TPropKind Kind;
  // The declared default of an ordinal property (integer, Boolean,
  // enumeration, character code, set mask), if the class declares one.
  std::optional<int64_t> Default;
  std::vector<const char*> EnumNames;
  std::function<QVariant(const TAVPersistent&)> Get;
  std::function<void(TAVPersistent&, const QVariant&)> Set;  // empty for objects
  std::function<TAVPersistent*(TAVPersistent&)> Object;      // objects only
};

using TPropList = std::vector<TPropInfo>;

namespace engine {

// Builds a table entry from a class's getter and setter.
template <class C, class G, class A>
TPropInfo Property(const char* name, TPropKind kind, G (C::*get)() const, void (C::*set)(A),
                   std::optional<int64_t> declaredDefault = std::nullopt, std::vector<const char*> enumNames = {}) {
  using Value = std::decay_t<A>;
  TPropInfo p{name, kind, declaredDefault, std::move(enumNames), {}, {}, {}};
  p.Get = [get](const TAVPersistent& o) -> QVariant {
    const auto& v = (static_cast<const C&>(o).*get)();
    if constexpr (std::is_enum_v<Value>)
      return QVariant(static_cast<int>(v));
    else
      return QVariant::fromValue(Value(v));
  };
  p.Set = [set](TAVPersistent& o, const QVariant& v) {
    if constexpr (std::is_enum_v<Value>)
      (static_cast<C&>(o).*set)(static_cast<Value>(v.toInt()));
    else
      (static_cast<C&>(o).*set)(v.value<Value>());
  };
  return p;
}

// Builds a table entry for an owned object.
template <class C, class O>
TPropInfo ObjectProperty(const char* name, O& (C::*get)()) {
  TPropInfo p{name, TPropKind::Object, std::nullopt, {}, {}, {}, {}};
  p.Object = [get](TAVPersistent& o) -> TAVPersistent* { return &(static_cast<C&>(o).*get)(); };
  return p;
}

// The property at a dotted path below root ("VideoOptions.FrameWidth"), and
// the object holding it; nullptr when there is none.
const TPropInfo* FindProperty(TAVPersistent& root, const QString& path, TAVPersistent*& owner);

// Sets a property from text, in the form the command line uses: numbers in
// C notation, Booleans as 1/0/true/false, enumerations by name or ordinal,
// string lists separated by commas. False, with error set, when the path or
// the text is not valid.
bool SetPropertyText(TAVPersistent& root, const QString& path, const QString& text, QString& error);

}  // namespace engine
