// The profile list: owners and holders, the one-list invariant, moving by
// Index, Clear, categories.

#include <gtest/gtest.h>

#include "profiles/AVProfile.h"
#include "profiles/CustomProfiles.h"
#include "profiles/TargetProfiles.h"
#include "profiles/X264Profile.h"

namespace {

// A custom profile that reports its destruction.
class TWatchedProfile : public TAVCustomAudioProfile {
 public:
  TWatchedProfile(TComponent* owner, const QString& description, bool* destroyed)
      : TAVCustomAudioProfile(owner), FDestroyed(destroyed) {
    SetDescription(description);
  }
  ~TWatchedProfile() override { *FDestroyed = true; }

 private:
  bool* FDestroyed;
};

QStringList Descriptions(const TAVProfileList& list) {
  QStringList names;
  for (int i = 0; i < list.ProfileCount(); ++i) names << list.Profiles(i)->Description();
  return names;
}

// A list holding profiles "A" … of alternating target and custom classes.
struct ListFixture {
  TComponent owner;
  TAVProfileList* list = new TAVProfileList(&owner);
  TAVProfile* Add(const QString& description, bool custom = false) {
    TAVProfile* p = custom ? static_cast<TAVProfile*>(new TAVCustomVideoProfile(&owner))
                           : static_cast<TAVProfile*>(new TAVVcdProfile(&owner));
    p->SetDescription(description);
    p->SetProfileList(list);
    return p;
  }
};

}  // namespace

TEST(ProfileList, AProfileIsInOneListAtMostOnce) {
  TComponent owner;
  auto* first = new TAVProfileList(&owner);
  auto* second = new TAVProfileList(&owner);
  auto* p = new TAVDvdProfile(&owner);
  EXPECT_EQ(p->Index(), -1);

  p->SetProfileList(first);
  p->SetProfileList(first);  // the same list again adds nothing
  EXPECT_EQ(first->ProfileCount(), 1);
  EXPECT_EQ(p->ProfileList(), first);
  EXPECT_EQ(p->Index(), 0);

  p->SetProfileList(second);
  EXPECT_EQ(first->ProfileCount(), 0);
  EXPECT_EQ(second->ProfileCount(), 1);
  EXPECT_EQ(p->ProfileList(), second);

  first->RemoveProfile(p);  // not there: nothing changes
  EXPECT_EQ(p->ProfileList(), second);
  second->RemoveProfile(p);
  EXPECT_EQ(p->ProfileList(), nullptr);
  EXPECT_EQ(second->ProfileCount(), 0);
  EXPECT_EQ(owner.ComponentCount(), 3);  // holding is not owning
}

TEST(ProfileList, WritingIndexMovesWithinTheList) {
  ListFixture f;
  for (const char* d : {"A", "B", "C", "D"}) f.Add(d);
  f.list->Profiles(2)->SetIndex(-5);
  EXPECT_EQ(Descriptions(*f.list), QStringList({"C", "A", "B", "D"}));
  f.list->Profiles(0)->SetIndex(1000);
  EXPECT_EQ(Descriptions(*f.list), QStringList({"A", "B", "D", "C"}));
  f.list->Profiles(3)->SetIndex(1);
  EXPECT_EQ(Descriptions(*f.list), QStringList({"A", "C", "B", "D"}));
  EXPECT_EQ(f.list->Profiles(1)->Index(), 1);

  TAVVcdProfile loose;
  loose.SetIndex(3);
  EXPECT_EQ(loose.Index(), -1);
  EXPECT_EQ(f.list->ProfileCount(), 4);
}

TEST(ProfileList, AnIndexOutsideTheListIsAnError) {
  ListFixture f;
  f.Add("A");
  EXPECT_EQ(f.list->Profiles(0)->Description(), "A");
  EXPECT_THROW(f.list->Profiles(1), EListError);
  EXPECT_THROW(f.list->Profiles(-1), EListError);
}

TEST(ProfileList, DestroyedProfilesLeaveTheList) {
  ListFixture f;
  TAVProfile* a = f.Add("A");
  f.Add("B");
  delete a;
  EXPECT_EQ(Descriptions(*f.list), QStringList({"B"}));
  EXPECT_EQ(f.owner.ComponentCount(), 2);  // the list and B
}

TEST(ProfileList, DestroyingTheListDestroysTheProfilesStillInIt) {
  TComponent owner;
  auto* list = new TAVProfileList(&owner);
  bool heldDestroyed = false, looseDestroyed = false, listOwnedDestroyed = false;
  (new TWatchedProfile(&owner, "held", &heldDestroyed))->SetProfileList(list);
  auto* loose = new TWatchedProfile(&owner, "loose", &looseDestroyed);
  new TWatchedProfile(list, "owned by the list, not held", &listOwnedDestroyed);
  delete list;
  EXPECT_TRUE(heldDestroyed);
  EXPECT_TRUE(listOwnedDestroyed);
  EXPECT_FALSE(looseDestroyed);
  ASSERT_EQ(owner.ComponentCount(), 1);  // the owner lost the destroyed profile
  EXPECT_EQ(owner.Components(0), loose);
}

TEST(ProfileList, DestroyingTheOwnerDestroysWhatItOwns) {
  auto owner = std::make_unique<TComponent>();
  TAVProfileList list;
  bool destroyed = false;
  (new TWatchedProfile(owner.get(), "A", &destroyed))->SetProfileList(&list);
  EXPECT_EQ(list.ProfileCount(), 1);
  owner.reset();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(list.ProfileCount(), 0);
}

TEST(ProfileList, ClearKeepsTheOtherProfilesInOrder) {
  ListFixture f;
  bool audioDestroyed = false;
  f.Add("target 1");
  f.Add("video", true);
  auto* image = new TAVImageProfile(&f.owner);
  image->SetDescription("image");
  image->SetProfileList(f.list);
  (new TWatchedProfile(&f.owner, "audio", &audioDestroyed))->SetProfileList(f.list);
  auto* x264 = new TAVX264Profile(&f.owner);
  x264->SetProfileList(f.list);
  f.Add("target 2");

  f.list->Clear();
  EXPECT_EQ(Descriptions(*f.list), QStringList({"target 1", "image", "H264 Profile", "target 2"}));
  EXPECT_TRUE(audioDestroyed);
  EXPECT_EQ(f.owner.ComponentCount(), 5);  // the list and the four that stayed
}

TEST(ProfileList, CategoriesMatchIgnoringCase) {
  ListFixture f;
  f.list->SetCategories({"Xbox", "PSP"});
  f.Add("one")->SetCategory("XBox");
  f.Add("two")->SetCategory("PSP");
  f.Add("three")->SetCategory("xbox");
  f.Add("four");
  QStringList xbox;
  for (TAVProfile* p : f.list->ProfilesOfCategory("Xbox")) xbox << p->Description();
  EXPECT_EQ(xbox, QStringList({"one", "three"}));
  EXPECT_EQ(f.list->ProfilesOfCategory("Images").size(), 0);
}
