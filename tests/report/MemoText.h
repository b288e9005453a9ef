// A memo's text as tests compare it: its lines joined by CR LF, without the final break.
#pragma once

#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"

namespace memotext {

inline std::u16string PlainU16(TrepCustomMemoView* M) {
  std::u16string S = M->Text();
  if (S.size() >= 2 && S.compare(S.size() - 2, 2, u"\r\n") == 0) S.resize(S.size() - 2);
  return S;
}

inline std::string Plain(TrepCustomMemoView* M) { return rt::Utf16ToUtf8(PlainU16(M)); }

} // namespace memotext
