#include "engine/LegacyOptions.h"

#include <QMap>
#include <utility>

namespace {

using Settings = std::vector<TAVOptionSetting>;

bool IsX264(const AVCodec* encoder) { return encoder && qstrcmp(encoder->name, "libx264") == 0; }

// "+a+b-c" → {(a,true),(b,true),(c,false)}; a token without a sign counts as set.
std::vector<std::pair<QByteArray, bool>> FlagTokens(const QByteArray& value) {
  std::vector<std::pair<QByteArray, bool>> tokens;
  QByteArray current;
  bool on = true;
  auto flush = [&] {
    if (!current.isEmpty()) tokens.emplace_back(current, on);
    current.clear();
  };
  for (char ch : value) {
    if (ch == '+' || ch == '-') {
      flush();
      on = ch == '+';
    } else {
      current += ch;
    }
  }
  flush();
  return tokens;
}

QByteArray JoinTokens(const std::vector<std::pair<QByteArray, bool>>& tokens) {
  QByteArray text;
  for (const auto& [name, on] : tokens) text += (on ? '+' : '-') + name;
  return text;
}

QString Describe(const QByteArray& name, const QByteArray& value) {
  return QString::fromLatin1(name + '=' + value);
}

// x264's motion search names for the old method names.
QByteArray X264MotionSearch(const QByteArray& old) {
  static const QMap<QByteArray, QByteArray> names{{"dia", "dia"},   {"hex", "hex"},  {"umh", "umh"}, {"esa", "esa"},
                                                 {"tesa", "tesa"}, {"epzs", "dia"}, {"full", "esa"}, {"zero", "dia"},
                                                 {"x1", "dia"}};
  return names.value(old, "hex");
}

Settings TranslatePartitions(const QByteArray& value) {
  static const QMap<QByteArray, QByteArray> names{
      {"parti4x4", "i4x4"}, {"parti8x8", "i8x8"}, {"partp4x4", "p4x4"}, {"partp8x8", "p8x8"}, {"partb8x8", "b8x8"}};
  QByteArrayList chosen;
  for (const auto& [token, on] : FlagTokens(value)) {
    const QByteArray partition = names.value(token, token);
    chosen.removeAll(partition);
    if (on) chosen << partition;
  }
  return {{"partitions", chosen.isEmpty() ? QByteArray("none") : chosen.join(',')}};
}

// flags2 tokens that became options of their own in libx264.
Settings TranslateFlags2(const QByteArray& value, bool x264) {
  static const QMap<QByteArray, QByteArray> x264Options{{"mixed_refs", "mixed-refs"}, {"wpred", "weightb"},
                                                       {"dct8x8", "8x8dct"},        {"fastpskip", "fast-pskip"},
                                                       {"mbtree", "mbtree"},        {"aud", "aud"},
                                                       {"psy", "psy"},              {"ssim", "ssim"}};
  Settings settings;
  std::vector<std::pair<QByteArray, bool>> rest;
  for (const auto& [token, on] : FlagTokens(value)) {
    if (x264 && token == "bpyramid")
      settings.push_back({"b-pyramid", on ? "normal" : "none"});
    else if (x264 && x264Options.contains(token))
      settings.push_back({x264Options.value(token), on ? "1" : "0"});
    else
      rest.emplace_back(token, on);
  }
  if (!rest.empty()) settings.push_back({"flags2", JoinTokens(rest)});
  return settings;
}

Settings TranslateFlags(const QByteArray& value, QStringList& notes) {
  Settings settings;
  std::vector<std::pair<QByteArray, bool>> rest;
  for (const auto& [token, on] : FlagTokens(value)) {
    if (token == "loop") {
      notes << QStringLiteral("Option flags %1loop has no effect any more (deblocking is always on)")
                   .arg(QLatin1Char(on ? '+' : '-'));
    } else if (token == "scan_offset") {
      settings.push_back({"scan_offset", on ? "1" : "0"});
    } else if (token == "bitexact") {
      rest.emplace_back(token, on);
      settings.push_back({"fflags", on ? "+bitexact" : "-bitexact"});
    } else {
      rest.emplace_back(token, on);
    }
  }
  if (!rest.empty()) settings.insert(settings.begin(), {"flags", JoinTokens(rest)});
  return settings;
}

}  // namespace

std::vector<TAVOptionSetting> TranslateLegacyOption(const QByteArray& name, const QByteArray& value,
                                                    const AVCodec* videoEncoder, QStringList& notes) {
  const bool x264 = IsX264(videoEncoder);
  Settings settings;
  if (name == "b") {
    // The bitrate option once meant video only; today audio encoders read it too.
    return {{name, value, 0}};
  } else if (name == "flags") {
    settings = TranslateFlags(value, notes);
  } else if (name == "flags2") {
    settings = TranslateFlags2(value, x264);
  } else if (x264 && name == "me_method") {
    settings = {{"motion-est", X264MotionSearch(value)}};
  } else if (x264 && name == "partitions") {
    settings = TranslatePartitions(value);
  } else if (x264 && name == "directpred") {
    static const QByteArray modes[] = {"none", "spatial", "temporal", "auto"};
    const int mode = value.toInt();
    settings = {{"direct-pred", mode >= 0 && mode < 4 ? modes[mode] : value}};
  } else if (x264 && name == "wpredp") {
    settings = {{"weightp", value}};
  } else if (x264 && name == "cqp") {
    settings = {{"qp", value}};
  } else if (x264 && name == "coder") {
    settings = {{"coder", value == "1" ? QByteArray("ac") : value == "0" ? QByteArray("vlc") : value}};
  } else if (!x264 && (name == "partitions" || name == "directpred" || name == "wpredp" || name == "cqp")) {
    notes << QStringLiteral("Option %1 has no effect with this encoder").arg(Describe(name, value));
    return {};
  } else {
    return {{name, value}};
  }
  const bool unchanged = settings.size() == 1 && settings[0].name == name && settings[0].value == value;
  if (!unchanged && !settings.empty()) {
    QStringList parts;
    for (const auto& s : settings) parts << Describe(s.name, s.value);
    notes << QStringLiteral("Option %1 passed on as %2").arg(Describe(name, value), parts.join(QStringLiteral(", ")));
  }
  return settings;
}
