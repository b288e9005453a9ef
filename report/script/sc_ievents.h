#pragma once
// Event bridges: a script procedure serving as the handler of a control's event. Assigning a
// procedure's name to an event member makes a bridge whose handler has the event's signature;
// it passes the event's arguments to the procedure and copies var arguments back.
#include <any>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Events.h"
#include "platform/rt/Format.h"
#include "report/script/sc_iinterpreter.h"

// Base of the bridges. A bridge belongs to the script program it was added to; once it is
// freed, the handler the control still holds does nothing.
class TscCustomEvent : public rt::TObject {
public:
  TscCustomEvent(rt::TObject* AObject, TscProcVariable* AHandler);
  // The handler for the control: a std::function of the event's signature bound to this
  // bridge, in a std::any (see rt::TPropInfo::SetMethod).
  virtual std::any GetMethod() = 0;

  TscProcVariable* Handler() const { return FHandler; }
  rt::TObject* Instance() const { return FInstance; }

protected:
  // Passes Args to the procedure's parameters (one each, in order; extra arguments dropped,
  // parameters without an argument keep their values), calls it and, when the event fired from
  // inside the procedure itself, gives the running call back its locals and parameters. The
  // result holds what this call left in the procedure's parameters, for the var arguments.
  std::vector<rt::Variant> CallHandler(const std::vector<rt::TVarRec>& Args);
  // A guard the handlers hold: expires when the bridge is freed.
  std::weak_ptr<TscCustomEvent*> Alive() const { return FAlive; }

  TscProcVariable* FHandler;
  rt::TObject* FInstance;

private:
  std::shared_ptr<TscCustomEvent*> FAlive;
};

template <class T>
TscCustomEvent* scEventClass(rt::TObject* AObject, TscProcVariable* AHandler) {
  return new T(AObject, AHandler);
}

class TscNotifyEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender);
  std::any GetMethod() override;
};

class TscMouseEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender, rt::TMouseButton Button, rt::TShiftState Shift, int X, int Y);
  std::any GetMethod() override;
};

class TscMouseMoveEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender, rt::TShiftState Shift, int X, int Y);
  std::any GetMethod() override;
};

class TscKeyEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender, std::uint16_t& Key, rt::TShiftState Shift);
  std::any GetMethod() override;
};

class TscKeyPressEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  // A procedure that leaves an empty text gives the character 0.
  void DoEvent(rt::TObject* Sender, char16_t& Key);
  std::any GetMethod() override;
};

class TscCloseEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  // An action outside caNone .. caMinimize raises ERangeError.
  void DoEvent(rt::TObject* Sender, rt::TCloseAction& Action);
  std::any GetMethod() override;
};

class TscCloseQueryEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender, bool& CanClose);
  std::any GetMethod() override;
};

class TscCanResizeEvent : public TscCustomEvent {
public:
  using TscCustomEvent::TscCustomEvent;
  void DoEvent(rt::TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize);
  std::any GetMethod() override;
};

// An event member of a class. Reads as the empty string; assigning the name of a script
// procedure connects it to the event of the object in ParentValue, assigning "0" disconnects.
class TscEventHelper : public TscCustomHelper {
public:
  TscEventHelper(const std::string& AName, TscEventClass AEvent);
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;

  rt::TClass ClassRef = nullptr;
  TscEventClass Event() const { return FEvent; }

private:
  TscEventClass FEvent;
};
