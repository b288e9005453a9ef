#include "platform/rt/MaskUtils.h"

#include <algorithm>
#include <vector>

#include "platform/rt/DateUtils.h"

namespace rt {

namespace {

struct MaskChar {
  bool Place;     // a place for a character of the text
  char16_t Text;  // the literal, for literals
};

bool IsPlace(char16_t C) {
  switch (C) {
    case u'0': case u'9': case u'#': case u'L': case u'l': case u'A': case u'a': case u'C': case u'c': return true;
    default: return false;
  }
}

// The mask's positions (directives dropped, escapes resolved) and whether literals are kept.
std::vector<MaskChar> ParseMask(std::u16string_view Mask, bool& Reverse, bool& KeepLiterals) {
  std::vector<MaskChar> R;
  Reverse = false;
  KeepLiterals = true;
  const TFormatSettings& FS = FormatSettings();
  std::size_t I = 0;
  for (; I < Mask.size(); ++I) {
    const char16_t C = Mask[I];
    if (C == u'\\') {
      if (++I < Mask.size()) R.push_back({false, Mask[I]});
    } else if (C == u';') {
      break;
    } else if (C == u'!') {
      Reverse = true;
    } else if (C == u'>' || C == u'<') {
      // letter case while typing; takes no place
    } else if (IsPlace(C)) {
      R.push_back({true, 0});
    } else if (C == u'_') {
      R.push_back({false, u' '});
    } else if (C == u':') {
      R.push_back({false, static_cast<char16_t>(FS.TimeSeparator)});
    } else if (C == u'/') {
      R.push_back({false, static_cast<char16_t>(FS.DateSeparator)});
    } else {
      R.push_back({false, C});
    }
  }
  if (I < Mask.size() && I + 1 < Mask.size() && Mask[I + 1] == u'0') KeepLiterals = false;
  return R;
}

} // namespace

std::u16string FormatMaskText(std::u16string_view EditMask, std::u16string_view Value, char16_t Blank) {
  bool Reverse, KeepLiterals;
  const std::vector<MaskChar> Mask = ParseMask(EditMask, Reverse, KeepLiterals);
  if (KeepLiterals) {
    std::u16string R(Value);
    for (std::size_t I = Value.size(); I < Mask.size(); ++I) R += Mask[I].Place ? Blank : Mask[I].Text;
    return R;
  }
  std::u16string R;
  if (!Reverse) {
    std::size_t V = 0;
    for (const MaskChar& M : Mask) {
      if (!M.Place) R += M.Text;
      else R += V < Value.size() ? Value[V++] : Blank;
    }
    R.append(Value.substr(std::min(V, Value.size())));
    return R;
  }
  // From the right: the value's last character takes the last place.
  std::size_t V = Value.size();
  for (std::size_t I = Mask.size(); I-- > 0;) {
    const MaskChar& M = Mask[I];
    if (!M.Place) R.insert(R.begin(), M.Text);
    else R.insert(R.begin(), V > 0 ? Value[--V] : Blank);
  }
  R.insert(0, Value.substr(0, V));
  return R;
}

} // namespace rt
