#pragma once
// A profile is a named conversion target: ApplyProfile writes its codecs,
// container, sizes, rates, bitrates and encoder options into a converter's
// option tree. The profile list holds the profiles in display order together
// with the category names the profiles are filed under.

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

#include "profiles/Component.h"

class TAVConverter;
class TAVProfileList;
class TIniFile;

// An index outside the list.
class EListError : public std::out_of_range {
 public:
  explicit EListError(int index);
};

class TAVProfile : public TComponent {
 public:
  explicit TAVProfile(TComponent* AOwner = nullptr);
  // Leaves its list first.
  ~TAVProfile() override;

  virtual const char* ClassName() const { return "TAVProfile"; }

  const QString& Description() const { return FDescription; }
  void SetDescription(const QString& v) { FDescription = v; }
  virtual QString Extension() const { return FExtension; }
  virtual void SetExtension(const QString& v) { FExtension = v; }
  const QString& Category() const { return FCategory; }
  void SetCategory(const QString& v) { FCategory = v; }

  TAVProfileList* ProfileList() const { return FProfileList; }
  // Moves the profile to Value (appended), or out of any list with nullptr.
  void SetProfileList(TAVProfileList* Value);
  // Position in the list, -1 when in none.
  int Index() const;
  // Moves the profile inside its list; the position is clamped to the list.
  void SetIndex(int NewIndex);

  // The profile's keys for slot number Index of the "Profile" section.
  void SaveToFile(TIniFile& AIni, int Index) const { WriteIni(AIni, Index); }
  // Reads them back; a missing key or one that does not parse keeps the current value.
  void LoadFromFile(const TIniFile& AIni, int Index) { ReadIni(AIni, Index); }

  // Writes the target into Converter.ConvertOptions; always true.
  virtual bool ApplyProfile(TAVConverter& Converter) = 0;

 protected:
  virtual void WriteIni(TIniFile& AIni, int Index) const;
  virtual void ReadIni(const TIniFile& AIni, int Index);

 private:
  friend class TAVProfileList;

  QString FDescription;
  QString FExtension;
  QString FCategory;
  TAVProfileList* FProfileList = nullptr;
};

class TAVProfileList : public TComponent {
 public:
  explicit TAVProfileList(TComponent* AOwner = nullptr);
  // Destroys the profiles still in the list, last first.
  ~TAVProfileList() override;

  // Appends without checking for duplicates; attach profiles through
  // TAVProfile::SetProfileList, which does.
  void AddProfile(TAVProfile* Profile);
  // Removes the first occurrence, if any.
  void RemoveProfile(TAVProfile* Profile);
  // Removes and destroys every custom profile; the others keep their order.
  void Clear();

  int ProfileCount() const { return static_cast<int>(FProfiles.size()); }
  // Raises EListError for an index outside 0 … ProfileCount-1.
  TAVProfile* Profiles(int Index) const;
  int IndexOf(const TAVProfile* Profile) const;
  // Moves the profile at CurIndex to NewIndex; the others shift.
  void Move(int CurIndex, int NewIndex);

  const QStringList& Categories() const { return FCategories; }
  void SetCategories(const QStringList& v) { FCategories = v; }

  // The profiles filed under Category (compared ignoring case), in list order.
  QList<TAVProfile*> ProfilesOfCategory(const QString& Category) const;
  // The first profile with exactly this description, or nullptr.
  TAVProfile* FindProfile(const QString& Description) const;

 private:
  std::vector<TAVProfile*> FProfiles;
  QStringList FCategories;
};

// Custom profiles are the user-definable ones: custom audio profiles and the
// classes derived from them.
bool IsCustomProfile(const TAVProfile* Profile);
