#pragma once
// The script engine's core library: the base types, the constants, the exception variables,
// the member items for string characters and array elements, and the built-in functions every
// script sees in every syntax (IntToStr, Copy, Format, EncodeDate, Round ...).
#include <functional>
#include <string>

#include "report/script/sc_iinterpreter.h"

class TscSysFunctions : public TscRTTIModule {
public:
  explicit TscSysFunctions(TscScript* AScript);

  // Categories stored with the functions.
  std::string FCatStr = "ctString";
  std::string FCatDate = "ctDate";
  std::string FCatConv = "ctConv";
  std::string FCatFormat = "ctFormat";
  std::string FCatMath = "ctMath";
  std::string FCatOther = "ctOther";

  // The handlers, one per group. Each compares the upper-case name with its group's names; a
  // name it does not serve gives Empty.
  static rt::Variant CallToText(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant CallFromText(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                  TscMethodHelper* Caller);
  static rt::Variant CallFormat(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant CallDate(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                              TscMethodHelper* Caller);
  static rt::Variant CallString(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant CallMath(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                              TscMethodHelper* Caller);
  static rt::Variant CallOther(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller);
};

// Puts the library first in the binding-module list (once); called at start-up before any
// script exists.
void sc_isysrttiInitialization();
// Takes it out of the list again.
void sc_isysrttiFinalization();

// The server has no message box: ShowMessage hands its text to this handler, which writes it
// to the server's log (standard error) unless start-up code or a test replaces it.
using TscShowMessageProc = std::function<void(const std::string& Text)>;
void scSetShowMessageProc(TscShowMessageProc Proc);
