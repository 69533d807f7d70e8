// Where a VideoFilters text is cut for its script stages (synth=SCRIPT), and
// what each stage and graph receives.

#include <gtest/gtest.h>

#include "engine/FilterDialect.h"
#include "support/TestSupport.h"

using engine::PlanVideoFilters;
using engine::TVideoFilterPlan;

namespace {

QStringList Graphs(const TVideoFilterPlan& plan) {
  QStringList descriptions;
  for (const engine::TVideoFilterGraph& g : plan.graphs) descriptions << g.description;
  return descriptions;
}

QStringList Scripts(const TVideoFilterPlan& plan) {
  QStringList scripts;
  for (const engine::TVideoFilterScript& s : plan.scripts)
    scripts << (s.script ? QString::fromUtf8(*s.script) : QStringLiteral("<none>"));
  return scripts;
}

}  // namespace

TEST(FilterPlan, AStoredListIsCutAtItsScriptItems) {
  const TVideoFilterPlan plan = PlanVideoFilters("vflip,synth=Invert(),hflip,negate,synth=Letterbox(2|4)");
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(Graphs(plan), (QStringList{"vflip", "hflip,negate", ""}));
  EXPECT_EQ(Scripts(plan), (QStringList{"Invert()", "Letterbox(2|4)"}));
  EXPECT_EQ(plan.scripts[1].stored, "synth=Letterbox(2|4)");
  // The dialect's own items are still translated, quoted items unquoted.
  const TVideoFilterPlan dialect = PlanVideoFilters("rotate=90,synth=Invert(), synth=Subtitle(\"a  b\") ");
  EXPECT_EQ(Graphs(dialect),
            (QStringList{"rotate=a=90*PI/180:ow=trunc(rotw(90*PI/180)/2+0.5)*2:oh=trunc(roth(90*PI/180)/2+0.5)*2", "",
                         ""}));
  EXPECT_EQ(Scripts(dialect), (QStringList{"Invert()", "Subtitle(\"a b\")"}));
}

TEST(FilterPlan, APlainChainInTheLibrarysSyntaxIsCutToo) {
  // Not a stored list (an unquoted space): the filters are read as the
  // library's parser reads them, quotes and backslashes included.
  const TVideoFilterPlan plan = PlanVideoFilters("scale=w='min(iw\\,320)':h=-2,synth=Subtitle(\"a b\"),hflip");
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(Graphs(plan), (QStringList{"scale=w='min(iw\\,320)':h=-2", "hflip"}));
  EXPECT_EQ(Scripts(plan), QStringList{"Subtitle(\"a b\")"});
  EXPECT_EQ(Scripts(PlanVideoFilters("synth=Say('x, y') z,vflip")), QStringList{"Say(x, y) z"});
}

TEST(FilterPlan, TextsWithoutScriptsOrWithLabelsAreOneGraph) {
  for (const QString text : {"vflip,negate", "[in]synth=Invert()[out]", "split[a][b];[a]synth=X[c];[b][c]hstack", ""}) {
    const TVideoFilterPlan plan = PlanVideoFilters(text);
    EXPECT_EQ(Graphs(plan), QStringList{engine::TranslateVideoFilters(text).description}) << text.toStdString();
    EXPECT_TRUE(plan.scripts.empty()) << text.toStdString();
  }
}

TEST(FilterPlan, ABareSynthHasNoScriptAndAnEmptyOneHasAnEmptyScript) {
  EXPECT_EQ(Scripts(PlanVideoFilters("synth")), QStringList{"<none>"});
  EXPECT_EQ(Graphs(PlanVideoFilters("synth")), (QStringList{"", ""}));
  EXPECT_EQ(Scripts(PlanVideoFilters("vflip,synth=")), QStringList{""});
  // Items only starting like the stage are library filters.
  EXPECT_TRUE(PlanVideoFilters("synthesis=1").scripts.empty());
}

TEST(FilterPlan, AnItemThatCannotBeTranslatedIsTheGraphsError) {
  const TVideoFilterPlan plan = PlanVideoFilters("synth=Invert(),logo=1|2|/no/logo.png");
  EXPECT_EQ(plan.error, "Video filter \"logo=1|2|/no/logo.png\": logo file not found: /no/logo.png");
}
