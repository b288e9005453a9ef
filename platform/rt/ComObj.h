#pragma once
// Late-bound automation: objects whose members are called by name at run time through a
// dispatch interface (name to identifier, then an invocation with the arguments in a block).
//
// This server has no system automation layer: no object can be created from a programmatic
// identifier (CreateOleObject raises EOleSysError saying so). Host code can still hand out its
// own objects through IDispatch inside a Variant (Variant::Dispatch).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Variants.h"

namespace rt {

using HRESULT = std::int32_t;
using TDispID = std::int32_t;
using TLCID = std::uint32_t;

constexpr bool Succeeded(HRESULT Code) { return Code >= 0; }

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);

constexpr TDispID DISPID_UNKNOWN = -1;
constexpr TDispID DISPID_VALUE = 0;
constexpr TDispID DISPID_PROPERTYPUT = -3;

constexpr std::uint16_t DISPATCH_METHOD = 1;
constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 8;

// The arguments of one invocation.
struct TDispParams {
  std::vector<Variant> Args;       // in reverse order: the last argument first
  std::vector<TDispID> NamedArgs;  // identifiers of the first NamedArgs.size() entries of Args
};

// What a failing member reports about itself (with DISP_E_EXCEPTION).
struct TExcepInfo {
  HRESULT SCode = 0;
  std::u16string Source;
  std::u16string Description;
  std::u16string HelpFile;
};

class IDispatch {
public:
  virtual ~IDispatch() = default;
  // The identifier of the member Name.
  virtual HRESULT GetIDsOfNames(std::u16string_view Name, TLCID Lcid, TDispID& DispID) = 0;
  // Calls or reads (DISPATCH_METHOD, DISPATCH_PROPERTYGET) or assigns (DISPATCH_PROPERTYPUT,
  // DISPATCH_PROPERTYPUTREF with the value as the named argument DISPID_PROPERTYPUT) the member.
  // Result is nullptr when the caller wants no result.
  virtual HRESULT Invoke(TDispID DispID, TLCID Lcid, std::uint16_t Flags, TDispParams& Params, Variant* Result,
                         TExcepInfo* ExcepInfo) = 0;
};

RT_DECLARE_EXCEPTION(EOleError, Exception)
RT_DECLARE_EXCEPTION(EOleSysError, EOleError)

// The locale of the calling thread for name look-ups: the process's settings (English, United
// States).
TLCID GetThreadLocale();
// The system's text for a result code ("Unknown name." ...); "Unspecified error" for codes it
// does not know.
std::string OleErrorMessage(HRESULT Code);

// Raises EOleSysError: this server has no automation objects.
Variant CreateOleObject(const std::string& ClassName);

} // namespace rt
