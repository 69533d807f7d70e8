#pragma once
// The profiles the program ships: 13 category names and 71 profiles, in the
// order the wizard lists them and Profiles.ini numbers the custom ones.

#include <QStringList>

class TAVProfileList;
class TComponent;

// The category names in display order.
QStringList BuiltInCategories();

// Sets the list's categories and appends the 71 built-in profiles to it, each
// owned by Owner and named as its component ("pfVcd", "pfAAC" …).
void CreateBuiltInProfiles(TAVProfileList& List, TComponent* Owner);
