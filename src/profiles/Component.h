#pragma once
// Objects with an owner: an owner destroys what it owns when it goes away,
// and an owned object that is destroyed first leaves its owner's list. Owning
// is independent of any other list that refers to the object.

#include <QString>
#include <vector>

class TComponent {
 public:
  explicit TComponent(TComponent* AOwner = nullptr);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  // Destroys the owned components, last first, then leaves the owner.
  virtual ~TComponent();

  TComponent* Owner() const { return FOwner; }
  const QString& Name() const { return FName; }
  void SetName(const QString& v) { FName = v; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }

 private:
  void RemoveComponent(TComponent* AComponent);

  TComponent* FOwner;
  QString FName;
  std::vector<TComponent*> FComponents;
};
