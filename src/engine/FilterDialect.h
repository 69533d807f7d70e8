#pragma once
// The program's own filter-string dialect (what tasks store in VideoFilters)
// turned into the filter library's graph syntax.
//
// A stored text is a list joined with commas, items holding a space, a comma
// or a control character quoted with spaces (inner spaces doubled). Items of
// the dialect are translated:
//   logo=X|Y|file               a picture source overlaid at X,Y
//   drawtext=fontfile=\'F\'#text='T'#x=..#y=..#fontsize=..#fgcolor=..#bgcolor=..
//   ass=filename$S#font$F#color$0xRRGGBB00[#codepage$C]   burnt-in subtitles
//   burn=stream$N               the source's own subtitle track N (counted among
//                               its subtitle tracks) burnt into the pictures
//   rotate=DEGREES              rotation, the picture kept whole
//   drawbox=X:Y:W:H:COLOUR
// Every other item (vflip, hflip, negate, anything in the library's syntax)
// passes through unchanged, and so does a text that is not such a list.
//
// synth=SCRIPT items are no filters of the library: the chain is cut at them
// and an AviSynth script stage runs between the graphs (PlanVideoFilters).
// They are found among the items of a stored list, or among the filters of a
// text in the library's syntax that is one plain chain (no labels, no ';').

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace engine {

// One item of a stored list and what it became.
struct TVideoFilterItem {
  QString stored;  // the item as stored, unquoted
  QString chain;   // its filters in the library's chain syntax
  // A picture source whose output the first filter of chain takes as its
  // second input (a logo), or empty.
  QString source;
};

struct TVideoFilterGraph {
  // The graph between the labels "in" and "out"; empty: no filters.
  QString description;
  std::vector<TVideoFilterItem> items;
  // Set when an item cannot be translated: a log line naming it and why.
  QString error;
};

// A script stage of the chain: a synth=SCRIPT item.
struct TVideoFilterScript {
  QString stored;                    // the item as stored
  std::optional<QByteArray> script;  // read as the graph parser reads arguments; none for a bare "synth"
};

// The user's filters cut at their script stages: graphs[0], scripts[0],
// graphs[1], … scripts[n-1], graphs[n]. Without script items: one graph,
// the same as TranslateVideoFilters gives.
struct TVideoFilterPlan {
  std::vector<TVideoFilterGraph> graphs;  // one more than scripts; an empty description passes pictures on
  std::vector<TVideoFilterScript> scripts;
  QString error;                          // the first graph's error, when one has one
};

// The items of a joined list (the inverse of the joining rule). False when
// text is not such a list.
bool SplitFilterList(const QString& text, QStringList* items);

// Today's graph description for a VideoFilters text. subtitleShift is what
// the graph's timestamps lack to be the time from the start of the source
// (a conversion that starts later has its timestamps start at 0), in
// microseconds: subtitle files are timed from the start of the source.
// sourceFile: the file the pictures come from, whose own subtitles a burn
// item draws.
TVideoFilterGraph TranslateVideoFilters(const QString& filters, int64_t subtitleShift = 0,
                                        const QString& sourceFile = QString());

// The stages of a VideoFilters text (see TranslateVideoFilters).
TVideoFilterPlan PlanVideoFilters(const QString& filters, int64_t subtitleShift = 0,
                                  const QString& sourceFile = QString());

// The log line for a description the library refused with error: the first
// item the library refuses on its own and why, else the whole description.
QString DiagnoseVideoFilters(const TVideoFilterGraph& graph, int error);
// The log line for a whole description that failed with error.
QString VideoFiltersFailure(const TVideoFilterGraph& graph, int error);

}  // namespace engine
