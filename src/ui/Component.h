// Components: the owner tree, names, loading and free notification.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pictova {

enum TComponentStateFlag : uint32_t {
  csLoading = 0x01, csReading = 0x02, csDestroying = 0x08, csDesigning = 0x10,
};
enum TOperation { opInsert, opRemove };

// A component is owned by its owner, which frees it when it is freed itself (last created,
// first freed). Freeing a component directly removes it from its owner. Components that
// asked for a free notification hear of each other's destruction through Notification.
class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  // Raises Exception when a sibling of the same owner already has the name (case-insensitive),
  // unless NameClash finds another one.
  void SetName(const std::string& name);
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)).get(); }
  TComponent* FindComponent(const std::string& name) const;

  uint32_t ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDestroying() const { return (FComponentState & csDestroying) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  // Marks the component as living in a form editor; components it owns from then on are too.
  void SetDesigning(bool designing) {
    FComponentState = designing ? (FComponentState | csDesigning) : (FComponentState & ~uint32_t{csDesigning});
  }

  // Asks to be told (Notification with opRemove) when `component` is freed, and tells it the
  // same the other way round.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Marks this component and everything it owns as being loaded from a description.
  void BeginLoading();
  // Runs once the description has been read: clears csLoading. Overrides call the
  // inherited version first.
  virtual void Loaded();
  // Loaded on every owned component (in creation order, depth first) and then on this one.
  void LoadedTree();

  intptr_t Tag = 0;

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // The name to take when a sibling already has `name`; raises by default.
  virtual std::string NameClash(const std::string& name);
  // Marks the component as being destroyed (from the most derived destructor, so that
  // notifications during destruction see the flag).
  void Destroying() { FComponentState |= csDestroying; }
  // Frees every owned component, last created first.
  void DestroyComponents();

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* FOwner = nullptr;
  std::string FName;
  uint32_t FComponentState = 0;
  std::vector<std::unique_ptr<TComponent>> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

}  // namespace pictova
