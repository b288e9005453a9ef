#include "report/pdf/repExportHelpers.h"

#include "platform/rt/Unicode.h"

bool HasHTMLTag(std::u16string_view Text) {
  const std::size_t Open = Text.find(u'<');
  if (Open == std::u16string_view::npos) return false;
  const std::size_t Close = Text.find(u'>', Open + 1);
  if (Close == std::u16string_view::npos) return false;
  const std::u16string Tag = rt::WideUpperCase(Text.substr(Open + 1, Close - Open - 1));
  for (const char16_t* Known : {u"B", u"I", u"U", u"SUB", u"SUP", u"STRIKE", u"NOWRAP"})
    if (Tag == Known) return true;
  return Tag.rfind(u"FONT COLOR", 0) == 0;
}

std::uint32_t SumLongWords(const std::uint32_t* Values, std::size_t Count) {
  std::uint32_t Sum = 0;
  for (std::size_t I = 0; I < Count; ++I) Sum += Values[I];
  return Sum;
}
