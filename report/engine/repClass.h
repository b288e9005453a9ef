#pragma once
// The report object model. So far only what the engine's utilities rely on: positions and
// sizes in report units, the parent chain, the report with its silent mode, and the picture
// object's class.
#include <string>
#include <vector>

#include "platform/rt/Components.h"

struct TrepRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TrepPoint {
  double X = 0, Y = 0;
};

// How a report reports its errors: a message box, only its error list, or raised again.
enum TrepSilentMode { simMessageBoxes, simSilent, simReThrow };

struct TrepEngineOptions {
  TrepSilentMode SilentMode = simMessageBoxes;
  // The Boolean form of the option: True stores simSilent.
  void SetSilentMode(bool Value) { SilentMode = Value ? simSilent : simMessageBoxes; }
};

class TrepReport;

class TrepComponent : public rt::TComponent {
public:
  // With a report component as owner the new object becomes its child; any other owner frees
  // it as a component.
  explicit TrepComponent(rt::TComponent* AOwner);
  // Frees the child objects, then leaves the parent.
  ~TrepComponent() override;

  double Left() const { return FLeft; }
  double Top() const { return FTop; }
  double Width() const { return FWidth; }
  double Height() const { return FHeight; }
  virtual void SetLeft(double Value) { FLeft = Value; }
  virtual void SetTop(double Value) { FTop = Value; }
  virtual void SetWidth(double Value) { FWidth = Value; }
  virtual void SetHeight(double Value) { FHeight = Value; }

  TrepComponent* Parent() const { return FParent; }
  // Moves the object to the end of the new parent's list; nullptr removes it.
  void SetParent(TrepComponent* Value);
  const std::vector<TrepComponent*>& Objects() const { return FObjects; }

  // Left / Top plus those of the parents.
  double AbsLeft() const;
  double AbsTop() const;
  // The nearest report up the parent chain (the object itself when it is one); nullptr when none.
  TrepReport* Report();

private:
  double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TrepComponent* FParent = nullptr;
  std::vector<TrepComponent*> FObjects;
};

class TrepReport : public TrepComponent {
public:
  using TrepComponent::TrepComponent;
  TrepEngineOptions EngineOptions;
};

class TrepView : public TrepComponent {
public:
  using TrepComponent::TrepComponent;
};

class TrepPictureView : public TrepView {
public:
  using TrepView::TrepView;
};
