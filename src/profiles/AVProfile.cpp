#include "profiles/AVProfile.h"

#include <algorithm>

#include "profiles/CustomProfiles.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileKeys.h"

EListError::EListError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")") {}

// ------------------------------------------------------------------ profile

TAVProfile::TAVProfile(TComponent* AOwner) : TComponent(AOwner) {}

TAVProfile::~TAVProfile() { SetProfileList(nullptr); }

void TAVProfile::SetProfileList(TAVProfileList* Value) {
  if (Value == FProfileList) return;
  if (FProfileList) FProfileList->RemoveProfile(this);
  if (Value) Value->AddProfile(this);
}

int TAVProfile::Index() const { return FProfileList ? FProfileList->IndexOf(this) : -1; }

void TAVProfile::SetIndex(int NewIndex) {
  const int current = Index();
  if (current < 0) return;
  NewIndex = std::clamp(NewIndex, 0, FProfileList->ProfileCount() - 1);
  if (NewIndex != current) FProfileList->Move(current, NewIndex);
}

void TAVProfile::WriteIni(TIniFile& AIni, int Index) const {
  using namespace profiles;
  AIni.WriteString(ProfileSection, SlotKey(KeyDescription, Index), FDescription);
  AIni.WriteString(ProfileSection, SlotKey(KeyExtension, Index), Extension());
  AIni.WriteString(ProfileSection, SlotKey(KeyCategory, Index), FCategory);
}

void TAVProfile::ReadIni(const TIniFile& AIni, int Index) {
  using namespace profiles;
  FDescription = AIni.ReadString(ProfileSection, SlotKey(KeyDescription, Index), FDescription);
  SetExtension(AIni.ReadString(ProfileSection, SlotKey(KeyExtension, Index), Extension()));
  FCategory = AIni.ReadString(ProfileSection, SlotKey(KeyCategory, Index), FCategory);
}

// --------------------------------------------------------------------- list

TAVProfileList::TAVProfileList(TComponent* AOwner) : TComponent(AOwner) {}

TAVProfileList::~TAVProfileList() {
  FCategories.clear();
  // Each profile leaves the list while it is destroyed.
  while (!FProfiles.empty()) delete FProfiles.back();
}

void TAVProfileList::AddProfile(TAVProfile* Profile) {
  FProfiles.push_back(Profile);
  Profile->FProfileList = this;
}

void TAVProfileList::RemoveProfile(TAVProfile* Profile) {
  const auto it = std::find(FProfiles.begin(), FProfiles.end(), Profile);
  if (it == FProfiles.end()) return;
  FProfiles.erase(it);
  Profile->FProfileList = nullptr;
}

void TAVProfileList::Clear() {
  for (int i = ProfileCount() - 1; i >= 0; --i) {
    TAVProfile* profile = FProfiles[static_cast<size_t>(i)];
    if (!IsCustomProfile(profile)) continue;
    RemoveProfile(profile);
    delete profile;
  }
}

TAVProfile* TAVProfileList::Profiles(int Index) const {
  if (Index < 0 || Index >= ProfileCount()) throw EListError(Index);
  return FProfiles[static_cast<size_t>(Index)];
}

int TAVProfileList::IndexOf(const TAVProfile* Profile) const {
  const auto it = std::find(FProfiles.begin(), FProfiles.end(), Profile);
  return it == FProfiles.end() ? -1 : static_cast<int>(it - FProfiles.begin());
}

void TAVProfileList::Move(int CurIndex, int NewIndex) {
  TAVProfile* profile = Profiles(CurIndex);
  Profiles(NewIndex);  // range check
  FProfiles.erase(FProfiles.begin() + CurIndex);
  FProfiles.insert(FProfiles.begin() + NewIndex, profile);
}

QList<TAVProfile*> TAVProfileList::ProfilesOfCategory(const QString& Category) const {
  QList<TAVProfile*> found;
  for (TAVProfile* profile : FProfiles)
    if (profile->Category().compare(Category, Qt::CaseInsensitive) == 0) found << profile;
  return found;
}

TAVProfile* TAVProfileList::FindProfile(const QString& Description) const {
  for (TAVProfile* profile : FProfiles)
    if (profile->Description() == Description) return profile;
  return nullptr;
}

bool IsCustomProfile(const TAVProfile* Profile) { return dynamic_cast<const TAVCustomAudioProfile*>(Profile); }
