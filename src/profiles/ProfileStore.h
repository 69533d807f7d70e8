#pragma once
// Profiles.ini in the per-user data folder: the custom profiles of the list,
// one numbered slot each, in section "Profile".

#include <QString>

class TAVProfileList;

// The data folder's Profiles.ini.
QString ProfilesIniPath();

// Replaces every custom profile of the list (built-in ones included) by the
// file's slots, appended after the other profiles and owned by the list.
// A missing file, section or count leaves no custom profiles.
void LoadProfiles(TAVProfileList& List, const QString& FileName = ProfilesIniPath());

// Writes each custom profile of the list into the next slot, then
// ProfileCount. Keys already in the file are rewritten in place, the rest
// stays. Raises EIniFileError when the file cannot be written.
void SaveProfiles(const TAVProfileList& List, const QString& FileName = ProfilesIniPath());

// Start-up: loads the file only when it exists; true when it did.
bool LoadProfilesIfPresent(TAVProfileList& List, const QString& FileName = ProfilesIniPath());
