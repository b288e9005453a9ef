#include "report/script/sc_idisp.h"

#include <cstdio>
#include <vector>

#include "platform/rt/ComObj.h"
#include "platform/rt/Unicode.h"

using rt::Variant;

namespace {

std::string Hex8(rt::HRESULT Code) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%08X", static_cast<unsigned>(Code));
  return Buf;
}

[[noreturn]] void OleError(rt::HRESULT Code, const std::string& Member, const rt::TExcepInfo* Info) {
  std::string Msg = "OLE error " + Hex8(Code) + ": " + Member + ": " + rt::OleErrorMessage(Code);
  if (Info && (!Info->Source.empty() || !Info->Description.empty() || !Info->HelpFile.empty())) {
    Msg += "\r\nSource        ::  " + rt::Utf16ToUtf8(Info->Source);
    Msg += "\r\nDescription ::  " + rt::Utf16ToUtf8(Info->Description);
    Msg += "\r\nHelp File     ::  " + rt::Utf16ToUtf8(Info->HelpFile);
  }
  throw rt::EOleError(Msg);
}

} // namespace

TscOLEHelper::TscOLEHelper(const std::string& AName) : TscCustomHelper(AName, fvtVariant, "") {}

void TscOLEHelper::AddParam() { Add(new TscParamItem("", fvtVariant, "", false, false)); }

Variant TscOLEHelper::DispatchInvoke(bool IsPut, const Variant* Value) {
  // The step keeps no reference to the object once the call is over, however it ends.
  struct Release {
    Variant& V;
    ~Release() { V = Variant::Null(); }
  } Done{ParentValue};

  const std::shared_ptr<rt::IDispatch> Obj = ParentValue.ToDispatch();
  if (!Obj) throw rt::EOleError("No automation object to call " + Name() + " on");
  const int Count = this->Count() + (IsPut ? 1 : 0);
  if (Count > MaxArgs)
    throw rt::EOleError("Too many arguments for " + Name() + ": an automation call takes at most " +
                        rt::IntToStr(MaxArgs));

  rt::TDispID DispID = rt::DISPID_UNKNOWN;
  const rt::HRESULT NameResult = Obj->GetIDsOfNames(rt::Utf8ToUtf16(Name()), rt::GetThreadLocale(), DispID);
  if (!rt::Succeeded(NameResult)) OleError(NameResult, Name(), nullptr);

  rt::TDispParams Params;
  Params.Args.reserve(static_cast<std::size_t>(Count));
  if (IsPut) Params.Args.push_back(*Value);
  for (int I = this->Count() - 1; I >= 0; --I) Params.Args.push_back(this->Params(I)->GetValue());

  std::uint16_t Flags;
  const bool WantResult = NeedResult && !IsPut;
  if (IsPut) {
    Params.NamedArgs.push_back(rt::DISPID_PROPERTYPUT);
    Flags = Value->IsDispatch() ? rt::DISPATCH_PROPERTYPUTREF : rt::DISPATCH_PROPERTYPUT;
  } else {
    Flags = WantResult ? rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET : rt::DISPATCH_METHOD;
  }

  Variant Result;
  rt::TExcepInfo Info;
  const rt::HRESULT R = Obj->Invoke(DispID, 0, Flags, Params, WantResult ? &Result : nullptr, &Info);
  if (!rt::Succeeded(R)) OleError(R, Name(), &Info);
  return WantResult ? Result : Variant::Null();
}

Variant TscOLEHelper::GetValue() { return DispatchInvoke(false, nullptr); }

void TscOLEHelper::SetValue(const Variant& Value) { DispatchInvoke(true, &Value); }
