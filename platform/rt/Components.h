#pragma once
// Components of the runtime layer: named objects that belong to an owner, which frees them.
// Forms, frames and data modules are components that own others; the report engine finds
// components by owner and name when it resolves references written in report files.
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"

namespace rt {

// "Missing X": a component or class named in data that does not exist.
RT_DECLARE_EXCEPTION(EClassNotFound, Exception)

class TComponent;
class TFiler;
void RegisterGlobalComponent(TComponent* Component);
void UnregisterGlobalComponent(TComponent* Component);

class TComponent : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  // AOwner (may be nullptr) frees the new component with itself.
  explicit TComponent(TComponent* AOwner);
  // Frees the owned components, then leaves the owner.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return FName; }
  virtual void SetName(std::string_view Value) { FName = Value; }
  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // EListError for a bad index.
  TComponent* Components(int Index) const;
  // An owned component of that name, letter case ignored; nullptr when none.
  TComponent* FindComponent(std::string_view AName) const;
  // Virtual so that an owner may keep its components elsewhere (the application object does).
  virtual void InsertComponent(TComponent* Component);
  virtual void RemoveComponent(TComponent* Component);
  // Data kept outside the published properties, read and written through the filer (Streaming.h).
  virtual void DefineProperties(TFiler& Filer) { (void)Filer; }
  // Called once streaming has filled the component and resolved its references.
  virtual void Loaded() {}

protected:
  // For owners that keep their components in lists of their own.
  static void SetOwnerOf(TComponent* Component, TComponent* AOwner) { Component->FOwner = AOwner; }

private:
  friend void RegisterGlobalComponent(TComponent*);
  friend void UnregisterGlobalComponent(TComponent*);
  std::string FName;
  TComponent* FOwner = nullptr;
  bool FGlobal = false;
  std::vector<TComponent*> FComponents;
};

// The kinds of owner by which references to components are qualified: forms and data modules
// (platform/rt/Controls.h) and frames.
class TCustomFrame : public TComponent {
public:
  using TComponent::TComponent;
};

// Forms and data modules reachable by name from the whole program. The server keeps its forms
// per session, so the list is empty unless a component is registered; it is filled at start-up
// and only read afterwards.
void RegisterGlobalComponent(TComponent* Component);
void UnregisterGlobalComponent(TComponent* Component);
TComponent* FindGlobalComponent(std::string_view AName);

} // namespace rt
