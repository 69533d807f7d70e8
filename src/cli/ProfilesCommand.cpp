// tesvanor-cli profiles, and the --profile option of convert: the built-in
// profiles with the user's own from Profiles.ini, as the program sees them.

#include <QStringList>
#include <cstdio>

#include "cli/Commands.h"
#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "profiles/AVProfile.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/ModernProfiles.h"
#include "profiles/ProfileStore.h"

namespace cli {

namespace {

// The profile list of the program: the built-in profiles, whose custom ones
// Profiles.ini replaces when it exists.
class TProgramProfiles {
 public:
  TProgramProfiles() : FList(new TAVProfileList(&FOwner)) {
    CreateBuiltInProfiles(*FList, &FOwner);
    LoadProfilesIfPresent(*FList);
    CreateModernProfiles(*FList, &FOwner);
  }
  const TAVProfileList& List() const { return *FList; }

  // By description: exactly, or else ignoring case.
  TAVProfile* Find(const QString& description) const {
    if (TAVProfile* exact = FList->FindProfile(description)) return exact;
    for (int i = 0; i < FList->ProfileCount(); ++i)
      if (FList->Profiles(i)->Description().compare(description, Qt::CaseInsensitive) == 0) return FList->Profiles(i);
    return nullptr;
  }

 private:
  TComponent FOwner;
  TAVProfileList* FList;  // owned by FOwner
};

}  // namespace

int Profiles(const QStringList& args) {
  if (!args.isEmpty()) return UsageError(QStringLiteral("profiles takes no arguments"));
  const TProgramProfiles profiles;
  for (int i = 0; i < profiles.List().ProfileCount(); ++i) {
    const TAVProfile* p = profiles.List().Profiles(i);
    const QString line = p->Category() + QLatin1Char('\t') + p->Description() + QLatin1Char('\t') + p->Extension();
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
  }
  return 0;
}

bool ApplyProfileArguments(QStringList& args, TAVConverter& converter, QString& error, QString* applied,
                           QString* extension) {
  QStringList descriptions;
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] != QLatin1String("--profile")) {
      ++i;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = QStringLiteral("--profile needs a value");
      return false;
    }
    descriptions << args[i + 1];
    args.remove(i, 2);
  }
  if (descriptions.isEmpty()) return true;
  const TProgramProfiles profiles;
  for (const QString& description : descriptions) {
    TAVProfile* profile = profiles.Find(description);
    if (!profile) {
      error = QStringLiteral("unknown profile '%1' (see 'tesvanor-cli profiles')").arg(description);
      return false;
    }
    try {
      profile->ApplyProfile(converter);
    } catch (const EAVError& e) {
      error = QStringLiteral("profile '%1': %2").arg(description, e.Message());
      return false;
    }
    if (applied) *applied = profile->Description();
    if (extension) *extension = profile->Extension();
  }
  return true;
}

}  // namespace cli
