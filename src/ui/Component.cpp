// Components: the owner tree, names, loading and free notification.
#include "ui/Component.h"

#include <algorithm>

#include "rtl/Ansi.h"
#include "rtl/SysUtils.h"

namespace pictova {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who asked, then forget them both ways.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner != nullptr) {
    TComponent* owner = FOwner;
    owner->RemoveComponent(this);
    owner->Notification(this, opRemove);
  }
}

void TComponent::InsertComponent(TComponent* component) {
  component->FOwner = this;
  if (IsLoading()) component->FComponentState |= csLoading;
  if (IsDesigning()) component->FComponentState |= csDesigning;
  FComponents.emplace_back(component);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  for (auto it = FComponents.begin(); it != FComponents.end(); ++it) {
    if (it->get() == component) {
      it->release();  // the component is being freed by somebody else
      FComponents.erase(it);
      break;
    }
  }
  component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    std::unique_ptr<TComponent> last = std::move(FComponents.back());
    FComponents.pop_back();
    last->FOwner = nullptr;
    Notification(last.get(), opRemove);
    last.reset();
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  std::string chosen = name;
  if (FOwner != nullptr && !name.empty()) {
    const TComponent* other = FOwner->FindComponent(name);
    if (other != nullptr && other != this) chosen = NameClash(name);
  }
  FName = chosen;
}

std::string TComponent::NameClash(const std::string& name) {
  throw Exception(Format("A component named %s already exists", name.c_str()));
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : FComponents)
    if (SameTextAscii(c->FName, name)) return c.get();
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
  auto& theirs = component->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
  auto& theirs = component->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::BeginLoading() {
  FComponentState |= csLoading;
  for (auto& c : FComponents) c->BeginLoading();
}

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::LoadedTree() {
  // Index loop: a Loaded handler may create components (they are loaded already).
  for (size_t i = 0; i < FComponents.size(); ++i) {
    TComponent* c = FComponents[i].get();
    if (c->IsLoading()) c->LoadedTree();
  }
  if (IsLoading()) Loaded();
}

}  // namespace pictova
