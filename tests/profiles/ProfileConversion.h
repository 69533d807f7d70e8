#pragma once
// A conversion with a built-in profile picked by the caption the wizard shows.

#include <QFile>
#include <functional>

#include "engine/ConversionSupport.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/ModernProfiles.h"

namespace testing_support {

struct TCatalogue {
  TComponent owner;
  TAVProfileList* list = new TAVProfileList(&owner);
  TCatalogue() {
    CreateBuiltInProfiles(*list, &owner);
    CreateModernProfiles(*list, &owner, {});
  }
  TAVProfile* Described(const QString& description) const {
    for (int i = 0; i < list->ProfileCount(); ++i)
      if (list->Profiles(i)->Description() == description) return list->Profiles(i);
    ADD_FAILURE() << "no profile " << description.toStdString();
    return nullptr;
  }
};

struct TConverted {
  QString target;
  QStringList log;
};

inline TConverted ConvertWith(const QString& profile, const QString& source,
                              const std::function<void(TAVConvertOptions&)>& setup = {}) {
  TCatalogue catalogue;
  TAVProfile* p = catalogue.Described(profile);
  if (!p) return {};
  const QString target = Target("out" + p->Extension());
  QFile::remove(target);
  TAVConverter c;
  c.ConvertOptions().SetThreadCount(2);
  p->ApplyProfile(c);
  if (setup) setup(c.ConvertOptions());
  c.InputFiles() << source;
  c.OutputFiles() << target;
  const TConversionResult r = RunConversion(c);
  EXPECT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();
  return {target, r.log};
}

}  // namespace testing_support
