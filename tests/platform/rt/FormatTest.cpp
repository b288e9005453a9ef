// Format with typed arguments, and edit-mask formatting.
#include <gtest/gtest.h>

#include "platform/rt/Format.h"
#include "platform/rt/MaskUtils.h"
#include "platform/rt/Unicode.h"

using namespace rt;

namespace {
using Args = std::vector<TVarRec>;
TVarRec I(int V) { return TVarRec::Integer(V); }
TVarRec F(double V) { return TVarRec::Extended(V); }
TVarRec S(const char* V) { return TVarRec::UnicodeString(Utf8ToUtf16(V)); }
} // namespace

TEST(Format, Specifiers) {
  struct Case {
    const char* Pattern;
    Args A;
    const char* Expected;
  } Cases[] = {
      {"plain", {}, "plain"},
      {"%d|%5d|%-5d|%.3d|%.3d", {I(42), I(42), I(42), I(7), I(-7)}, "42|   42|42   |007|-007"},
      {"%d", {TVarRec::Int64(-9223372036854775807LL - 1)}, "-9223372036854775808"},
      {"%u|%u", {I(-1), TVarRec::Int64(-1)}, "4294967295|18446744073709551615"},
      {"%x|%.4X|%x", {I(255), I(255), I(-1)}, "FF|00FF|FFFFFFFF"},
      {"%e|%.3e", {F(1234.5), F(-0.000123)}, "1.23450000000000E+003|-1.23E-004"},
      {"%f|%.1f|%.0f|%f", {F(1234.5), F(1234.56), F(2.5), TVarRec::Currency(1.5)}, "1234.50|1234.6|3|1.50"},
      {"%g|%.3g|%g|%g", {F(1234.5), F(1234.5), F(1e20), F(0.0001)}, "1234.5|1.23E3|1E20|0.0001"},
      {"%n|%.0n|%n", {F(1234567.891), F(1234567.891), F(-0.5)}, "1,234,567.89|1,234,568|-0.50"},
      {"%m|%m|%.0m", {F(1234.5), F(-1234.5), F(3)}, "$1,234.50|($1,234.50)|$3"},
      {"%s|%5s|%-5s|%.2s", {S("ab"), S("cd"), S("ef"), S("ghij")}, "ab|   cd|ef   |gh"},
      {"%s%s", {TVarRec::WideChar(u'\u00e9'), TVarRec::ShortString(u"x")}, "\u00e9x"},
      {"%1:s %0:s %s", {S("a"), S("b")}, "b a b"},
      {"%*d|%-*.*f", {I(6), I(42), I(8), I(2), F(3.14159)}, "    42|3.14    "},
      {"100%%", {}, "100%"},
      {"%D %S %X", {I(1), S("s"), I(10)}, "1 s A"},
      {"%s|%d|%f", {TVarRec::OfVariant(Variant(7)), TVarRec::OfVariant(Variant(8)), TVarRec::OfVariant(Variant(0.5))},
       "7|8|0.50"},
      {"%s", {TVarRec::OfVariant(Variant::Null())}, ""},
  };
  for (const Case& C : Cases) EXPECT_EQ(Format(std::string_view(C.Pattern), C.A), C.Expected) << C.Pattern;
  EXPECT_EQ(Format(std::u16string_view(u"%s \u263a"), {S("x")}), u"x \u263a");
}

TEST(Format, BadPatternsAndArguments) {
  struct Case {
    const char* Pattern;
    Args A;
    const char* Message;
  } Cases[] = {
      {"%d", {S("x")}, "Format '%d' invalid or incompatible with argument"},
      {"%d", {F(1.5)}, "Format '%d' invalid or incompatible with argument"},
      {"%f", {I(1)}, "Format '%f' invalid or incompatible with argument"},
      {"%s", {TVarRec::Boolean(true)}, "Format '%s' invalid or incompatible with argument"},
      {"%s", {I(1)}, "Format '%s' invalid or incompatible with argument"},
      {"%p", {I(1)}, "Format '%p' invalid or incompatible with argument"},
      {"%q", {I(1)}, "Format '%q' invalid or incompatible with argument"},
      {"abc%", {}, "Format 'abc%' invalid or incompatible with argument"},
      {"%5", {I(1)}, "Format '%5' invalid or incompatible with argument"},
      {"%*d", {S("x"), I(1)}, "Format '%*d' invalid or incompatible with argument"},
      {"%-1:d", {I(1)}, "Format '%-1:d' invalid or incompatible with argument"},
      {"%999999999d", {I(1)}, "Format '%999999999d' invalid or incompatible with argument"},
      {"%d %d", {I(1)}, "No argument for format '%d %d'"},
      {"%3:d", {I(1)}, "No argument for format '%3:d'"},
      {"%d", {}, "No argument for format '%d'"},
  };
  for (const Case& C : Cases) {
    try {
      Format(std::string_view(C.Pattern), C.A);
      ADD_FAILURE() << C.Pattern << " did not raise";
    } catch (const EConvertError& E) {
      EXPECT_STREQ(E.what(), C.Message) << C.Pattern;
    }
  }
}

TEST(FormatMaskText, LaysTheValueIntoTheMask) {
  struct Case {
    const char16_t* Mask;
    const char16_t* Value;
    const char16_t* Expected;
  } Cases[] = {
      {u"(000) 000-0000;0", u"5551234567", u"(555) 123-4567"},
      {u"!(999)000-0000;0;_", u"5551234567", u"(555)123-4567"},
      {u"000-000;0", u"12", u"12 -   "},              // places past the value are blank
      {u"!000-000;0", u"12", u"   - 12"},             // from the right
      {u"0000;0", u"123456", u"123456"},              // characters past the last place stay
      {u"!00;0", u"1234", u"1234"},
      {u">LL-000;0", u"ab123", u"ab-123"},            // case directives take no place
      {u"00:00;0", u"1230", u"12:30"},                // time separator
      {u"00/00/0000;0", u"01022024", u"01/02/2024"},  // date separator
      {u"\\(000\\);0", u"123", u"(123)"},             // escaped literals
      {u"000_000;0", u"123456", u"123 456"},          // _ is a blank
      {u"(000) 000-0000;1", u"(555) 123", u"(555) 123-    "},  // kept literals: padded only
      {u"(000) 000-0000", u"(555) 123-4567", u"(555) 123-4567"},
      {u"000", u"", u"   "},
      {u"", u"abc", u"abc"},
      {u"\\", u"x", u"x"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(FormatMaskText(C.Mask, C.Value), C.Expected) << Utf16ToUtf8(C.Mask) << " / " << Utf16ToUtf8(C.Value);
  EXPECT_EQ(FormatMaskText(u"000;0", u"1", u'*'), u"1**");
}
