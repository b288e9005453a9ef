#include "platform/rt/ComObj.h"

namespace rt {

TLCID GetThreadLocale() { return 0x0409; }

std::string OleErrorMessage(HRESULT Code) {
  switch (Code) {
    case S_OK: return "The operation completed successfully.";
    case E_NOTIMPL: return "Not implemented.";
    case E_FAIL: return "Unspecified error";
    case E_INVALIDARG: return "The parameter is incorrect.";
    case DISP_E_UNKNOWNINTERFACE: return "Unknown interface.";
    case DISP_E_MEMBERNOTFOUND: return "Member not found.";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_UNKNOWNNAME: return "Unknown name.";
    case DISP_E_NONAMEDARGS: return "No named arguments.";
    case DISP_E_BADVARTYPE: return "Bad variable type.";
    case DISP_E_EXCEPTION: return "Exception occurred.";
    case DISP_E_OVERFLOW: return "Out of present range.";
    case DISP_E_BADINDEX: return "Invalid index.";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters.";
    case DISP_E_PARAMNOTOPTIONAL: return "Parameter not optional.";
    default: return "Unspecified error";
  }
}

Variant CreateOleObject(const std::string& ClassName) {
  throw EOleSysError("Cannot create the automation object '" + ClassName +
                     "': automation objects are not available on this server");
}

} // namespace rt
