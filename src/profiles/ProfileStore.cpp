#include "profiles/ProfileStore.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <set>

#include "profiles/CustomProfiles.h"
#include "media/DataFolder.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileKeys.h"

using namespace profiles;

namespace {

// The slot numbers below count that have at least one profile key, ascending.
// Walking the keys instead of 0 … count-1 keeps a file whose count is garbage
// (2000000000) from making that many empty profiles.
std::set<int> FilledSlots(const TIniFile& ini, int count) {
  static const QRegularExpression slotKey(
      QStringLiteral("^(Description|Extension|Category|IsVideo|SampleRate|AudioEncoder|AudioChannels|AudioBitrate|"
                     "Format|Options|FrameWidth|FrameHeight|VideoEncoder|FrameRate|VideoBitrate)(0|[1-9][0-9]{0,9})$"),
      QRegularExpression::CaseInsensitiveOption);
  std::set<int> filled;
  for (const QString& name : ini.KeyNames(ProfileSection)) {
    const QRegularExpressionMatch m = slotKey.match(name);
    bool ok = false;
    const int slot = m.hasMatch() ? m.captured(2).toInt(&ok) : -1;
    if (ok && slot < count) filled.insert(slot);
  }
  return filled;
}

}  // namespace

QString ProfilesIniPath() { return tesvanor::UserDataFile(QStringLiteral("Profiles.ini")); }

void LoadProfiles(TAVProfileList& List, const QString& FileName) {
  const TIniFile ini(FileName);
  List.Clear();
  const int count = ini.ReadInteger(ProfileSection, KeyProfileCount, 0);
  for (const int slot : FilledSlots(ini, count)) {
    TAVCustomAudioProfile* profile = ini.ReadBool(ProfileSection, SlotKey(KeyIsVideo, slot), false)
                                         ? new TAVCustomVideoProfile(&List)
                                         : new TAVCustomAudioProfile(&List);
    profile->LoadFromFile(ini, slot);
    profile->SetProfileList(&List);
  }
}

void SaveProfiles(const TAVProfileList& List, const QString& FileName) {
  TIniFile ini(FileName);
  int slot = 0;
  for (int i = 0; i < List.ProfileCount(); ++i) {
    const TAVProfile* profile = List.Profiles(i);
    if (IsCustomProfile(profile)) profile->SaveToFile(ini, slot++);
  }
  ini.WriteInteger(ProfileSection, KeyProfileCount, slot);
  ini.UpdateFile();
}

bool LoadProfilesIfPresent(TAVProfileList& List, const QString& FileName) {
  if (!QFileInfo::exists(FileName)) return false;
  LoadProfiles(List, FileName);
  return true;
}
