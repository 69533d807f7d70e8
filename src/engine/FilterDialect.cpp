#include "engine/FilterDialect.h"
#include "engine/LibraryError.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/avstring.h>
#include <libavutil/error.h>
}

#include "engine/FilterDialectItems.h"
#include "media/LibraryPtrs.h"

namespace engine {

namespace {

// Lists quoted inside lists deeper than this are taken as they are.
constexpr int MaxListDepth = 8;

struct FilterInOutDeleter {
  void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutDeleter>;

// An item written without quotes holds no space and no control character.
bool IsPlainItem(const QString& item) {
  return std::none_of(item.begin(), item.end(), [](QChar c) { return c.unicode() <= u' '; });
}

// The quoted item opening at text[pos] (a space): inner spaces come doubled,
// a single space closes it. pos moves past the closing space.
bool ReadQuotedItem(const QString& text, qsizetype& pos, QString* item) {
  const qsizetype n = text.size();
  for (qsizetype i = pos + 1; i < n; ++i) {
    if (text[i] != QLatin1Char(' ')) {
      item->append(text[i]);
    } else if (i + 1 < n && text[i + 1] == QLatin1Char(' ')) {
      item->append(QLatin1Char(' '));
      ++i;
    } else {
      pos = i + 1;
      return true;
    }
  }
  return false;
}

QString ItemLine(const QString& item, const QString& why) {
  return QStringLiteral("Video filter \"%1\": %2").arg(item, why);
}

bool IsTranslated(const TVideoFilterItem& item) { return !item.source.isEmpty() || item.chain != item.stored; }

// Appends the translations of items to graph, going into items that are
// lists of the dialect themselves (a standard filter's operations). False,
// with graph.error set, when an item cannot be translated.
bool AddItems(const QStringList& items, int depth, int64_t subtitleShift, const QString& sourceFile,
              TVideoFilterGraph& graph) {
  for (const QString& item : items) {
    if (item.isEmpty()) continue;
    dialect::TItemTranslation t = dialect::TranslateDialectItem(item, subtitleShift, sourceFile);
    if (t.recognised) {
      if (!t.error.isEmpty()) {
        graph.error = ItemLine(item, t.error);
        return false;
      }
      t.item.stored = item;
      graph.items.push_back(t.item);
      continue;
    }
    QStringList inner;
    if (depth < MaxListDepth && item.contains(QLatin1Char(',')) && SplitFilterList(item, &inner)) {
      TVideoFilterGraph nested;
      if (!AddItems(inner, depth + 1, subtitleShift, sourceFile, nested)) {
        graph.error = nested.error;
        return false;
      }
      if (std::any_of(nested.items.begin(), nested.items.end(), IsTranslated)) {
        graph.items.insert(graph.items.end(), nested.items.begin(), nested.items.end());
        continue;
      }
    }
    graph.items.push_back({item, item, QString()});
  }
  return true;
}

// A logo needs a second input, so a list holding one is written as labelled
// chains: [in]a,b[c0];movie=…[lg0];[c0][lg0]overlay=…,d[out].
QString LabelledDescription(const std::vector<TVideoFilterItem>& items) {
  QStringList segments;
  QString chain;
  QString label = QStringLiteral("in");
  int logos = 0;
  for (const TVideoFilterItem& item : items) {
    if (item.source.isEmpty()) {
      chain += (chain.isEmpty() ? QStringLiteral("[%1]").arg(label) : QStringLiteral(",")) + item.chain;
      continue;
    }
    if (!chain.isEmpty()) {
      label = QStringLiteral("c%1").arg(logos);
      segments << chain + QStringLiteral("[%1]").arg(label);
    }
    const QString logo = QStringLiteral("lg%1").arg(logos++);
    segments << item.source + QStringLiteral("[%1]").arg(logo);
    chain = QStringLiteral("[%1][%2]").arg(label, logo) + item.chain;
  }
  segments << chain + QStringLiteral("[out]");
  return segments.join(QLatin1Char(';'));
}

QString Description(const std::vector<TVideoFilterItem>& items) {
  if (std::any_of(items.begin(), items.end(), [](const TVideoFilterItem& i) { return !i.source.isEmpty(); }))
    return LabelledDescription(items);
  QStringList chains;
  for (const TVideoFilterItem& item : items) chains << item.chain;
  return chains.join(QLatin1Char(','));
}

// Skips blanks and link labels such as [in].
void SkipLabels(const char*& p) {
  static constexpr const char* blanks = " \n\t\r";
  for (p += std::strspn(p, blanks); *p == '['; p += std::strspn(p, blanks)) {
    const char* close = std::strchr(p, ']');
    p = close ? close + 1 : p + std::strlen(p);
  }
}

// The first filter name in a graph description the library does not know,
// read the way its parser reads names and arguments.
QString UnknownFilterName(const QString& description) {
  const QByteArray text = description.toUtf8();
  for (const char* p = text.constData(); *p;) {
    SkipLabels(p);
    const std::unique_ptr<char, media::AvFreeDeleter> name(av_get_token(&p, "=,;["));
    if (*p == '=') {
      ++p;
      const std::unique_ptr<char, media::AvFreeDeleter> arguments(av_get_token(&p, "[],;"));
    }
    if (name && *name && !avfilter_get_by_name(name.get())) return QString::fromUtf8(name.get());
    SkipLabels(p);
    if (*p != ',' && *p != ';') break;
    ++p;
  }
  return QString();
}

// Parses one item's translation into a graph of its own.
int ParseAlone(const TVideoFilterItem& item) {
  const media::FilterGraphPtr scratch(avfilter_graph_alloc());
  if (!scratch) return AVERROR(ENOMEM);
  const QString text =
      item.source.isEmpty() ? item.chain : item.source + QStringLiteral("[logo];[main][logo]") + item.chain;
  AVFilterInOut* inputs = nullptr;
  AVFilterInOut* outputs = nullptr;
  const int r = avfilter_graph_parse2(scratch.get(), text.toUtf8().constData(), &inputs, &outputs);
  const FilterInOutPtr openInputs(inputs), openOutputs(outputs);
  return r;
}

TVideoFilterGraph Untranslated(const QString& text) {
  TVideoFilterGraph graph;
  if (text.trimmed().isEmpty()) return graph;
  graph.items.push_back({text, text, QString()});
  graph.description = text;
  return graph;
}

TVideoFilterGraph TranslateItems(const QStringList& items, int64_t subtitleShift, const QString& sourceFile) {
  TVideoFilterGraph graph;
  if (!AddItems(items, 0, subtitleShift, sourceFile, graph)) {
    graph.items.clear();
    return graph;
  }
  graph.description = Description(graph.items);
  return graph;
}

const QLatin1String ScriptFilter("synth");
const QLatin1String ScriptFilterWithArguments("synth=");

bool IsScriptItem(const QString& item) {
  const QString name = item.trimmed();
  return name == ScriptFilter || name.startsWith(ScriptFilterWithArguments);
}

// The script of a synth item, its argument text read the way the graph
// parser reads a filter's arguments (quotes and backslashes taken away).
TVideoFilterScript ScriptOf(const QString& item) {
  TVideoFilterScript s{item, std::nullopt};
  const QString trimmed = item.trimmed();
  if (trimmed == ScriptFilter) return s;
  const QByteArray arguments = trimmed.mid(ScriptFilterWithArguments.size()).toUtf8();
  const char* p = arguments.constData();
  const std::unique_ptr<char, media::AvFreeDeleter> text(av_get_token(&p, ""));
  s.script = QByteArray(text ? text.get() : "");
  return s;
}

// The filters of a text in the library's syntax that is one plain chain, each
// as written (the parser's reading of names and arguments decides where one
// ends). False when the text has labels or several chains.
bool SplitPlainChain(const QString& text, QStringList* filters) {
  const QByteArray bytes = text.toUtf8();
  QStringList found;
  const char* const begin = bytes.constData();
  for (const char* p = begin; *p;) {
    const char* start = p;
    const std::unique_ptr<char, media::AvFreeDeleter> name(av_get_token(&p, "=,;["));
    if (*p == '=') {
      ++p;
      const std::unique_ptr<char, media::AvFreeDeleter> arguments(av_get_token(&p, "[],;"));
    }
    if (!name || !*name || (*p && *p != ',')) return false;
    found << QString::fromUtf8(start, p - start);
    if (*p == ',') ++p;
  }
  *filters = found;
  return true;
}

}  // namespace

bool SplitFilterList(const QString& text, QStringList* items) {
  QStringList found;
  const qsizetype n = text.size();
  qsizetype pos = 0;
  while (pos < n) {
    QString item;
    if (text[pos] == QLatin1Char(' ')) {
      if (!ReadQuotedItem(text, pos, &item)) return false;
    } else {
      const qsizetype comma = text.indexOf(QLatin1Char(','), pos);
      const qsizetype end = comma < 0 ? n : comma;
      item = text.mid(pos, end - pos);
      if (!IsPlainItem(item)) return false;
      pos = end;
    }
    found << item;
    if (pos == n) break;
    if (text[pos] != QLatin1Char(',')) return false;
    if (++pos == n) found << QString();  // a list ending in an empty item
  }
  *items = found;
  return true;
}

TVideoFilterGraph TranslateVideoFilters(const QString& filters, int64_t subtitleShift, const QString& sourceFile) {
  QStringList items;
  if (!SplitFilterList(filters, &items)) return Untranslated(filters);  // the library's own syntax
  return TranslateItems(items, subtitleShift, sourceFile);
}

TVideoFilterPlan PlanVideoFilters(const QString& filters, int64_t subtitleShift, const QString& sourceFile) {
  TVideoFilterPlan plan;
  QStringList items;
  const bool list = SplitFilterList(filters, &items);
  if ((!list && !SplitPlainChain(filters, &items)) || std::none_of(items.begin(), items.end(), IsScriptItem)) {
    plan.graphs.push_back(TranslateVideoFilters(filters, subtitleShift, sourceFile));
    plan.error = plan.graphs.back().error;
    return plan;
  }
  // Items of a plain chain are in the library's syntax already.
  auto graphOf = [&](const QStringList& run) {
    return list ? TranslateItems(run, subtitleShift, sourceFile) : Untranslated(run.join(QLatin1Char(',')));
  };
  QStringList run;
  for (const QString& item : items) {
    if (!IsScriptItem(item)) {
      run << item;
      continue;
    }
    plan.graphs.push_back(graphOf(run));
    run.clear();
    plan.scripts.push_back(ScriptOf(item));
  }
  plan.graphs.push_back(graphOf(run));
  for (const TVideoFilterGraph& graph : plan.graphs)
    if (plan.error.isEmpty()) plan.error = graph.error;
  return plan;
}

QString DiagnoseVideoFilters(const TVideoFilterGraph& graph, int error) {
  for (const TVideoFilterItem& item : graph.items) {
    const int r = ParseAlone(item);
    if (r >= 0) continue;
    const QString unknown = UnknownFilterName(item.chain);
    return ItemLine(item.stored, unknown.isEmpty() ? LibraryErrorText(r) : QStringLiteral("no such filter: %1").arg(unknown));
  }
  return VideoFiltersFailure(graph, error);
}

QString VideoFiltersFailure(const TVideoFilterGraph& graph, int error) {
  return QStringLiteral("Video filters \"%1\": %2").arg(graph.description, LibraryErrorText(error));
}

}  // namespace engine
