#include "webapp/UserCookies.h"

#include <gtest/gtest.h>

#include "platform/web/Html.h"

using namespace cookies;

namespace {

TUserFluidRecord Liquid(const std::string& name) {
  return {name, "Liquid", "60", "F", "29", "3206", "1.1", "1.02", "1"};
}

}  // namespace

TEST(UserFluidCookie, NameBlanksAndCommasBecomeQqaAndQqb) {
  const std::string value = FormatUserFluid(Liquid("a b,c"));
  EXPECT_EQ(value, "aqqabqqbc,Liquid,60,F,29,3206,1.1,1.02,1");
}

// What the browser stores is the web layer's encoding of the value; reading it gives the fluid
// back whatever its name holds.
TEST(UserFluidCookie, RoundTripsThroughTheWire) {
  const char* names[] = {"a b,c", "Glycol 50% ~ water", "qqa qqb", "q q,q", "aqq", "60 °C brine", "Über-Öl ñ",
                         "水 😀", "a+b=c; d", "<b>\"x\"</b> & 'y'", "%2C%B0+", "Water"};
  for (const char* name : names) {
    for (const char* state : {"Liquid", "Gas"}) {
      TUserFluidRecord f = Liquid(name);
      f.State = state;
      TUserFluidRecord back;
      std::string value, error;
      ASSERT_TRUE(ParseUserFluid(web::CookieEncode(FormatUserFluid(f)), back, value, error)) << name << ": " << error;
      EXPECT_EQ(back, f) << name;
      EXPECT_EQ(value, FormatUserFluid(f)) << name;
    }
  }
}

TEST(UserFluidCookie, RejectsValuesThatAreNoSavedFluid) {
  struct Case {
    const char* wire;
    const char* reason;
  } cases[] = {
      {"aqqab%2CLiquid%2C60%2CF%2C29%2C3206%2C1.1%2C1.02", "it has 8 fields where a saved fluid has 9"},
      {"x%2CLiquid%2C60%2CF%2C29%2C3206%2C1.1%2C1.02%2C1%2C1", "it has 10 fields"},
      {"x%2CLiquid%2C60%2CF%2C29%2C3206%2C1.1%2Cheavy%2C1", "its specific gravity \"heavy\" is not a number"},
      {"x%2CGas%2C60%2CF%2Ck%2C1%2C1.1%2C1%2C1", "its specific heat ratio \"k\" is not a number"},
      {"x%2CLiquid%2C%2CF%2C29%2C3206%2C1.1%2C1%2C1", "its temperature \"\" is not a number"},
      {"%2CLiquid%2C60%2CF%2C29%2C3206%2C1.1%2C1%2C1", "it names no fluid"},
      {"x%2CSteam%2C60%2CF%2C29%2C3206%2C1.1%2C1%2C1", "its state \"Steam\" is not Liquid or Gas"},
      {"", "it has 1 fields"},
  };
  for (const Case& c : cases) {
    TUserFluidRecord f = Liquid("kept");
    std::string value = "kept", error;
    EXPECT_FALSE(ParseUserFluid(c.wire, f, value, error)) << c.wire;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.wire << ": " << error;
    EXPECT_EQ(f, Liquid("kept"));
    EXPECT_EQ(value, "kept");
  }
}

TEST(UserFluidCookie, ANewCookieTakesOneMoreThanTheHighestNumber) {
  using Cookies = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    Cookies cookies;
    const char* next;
  } cases[] = {
      {{}, "UserFluid1"},
      {{{"UserFluid1", "a"}, {"UserFluid2", "b"}}, "UserFluid3"},
      {{{"UserFluid5", "a"}, {"UserFluid1", "b"}}, "UserFluid6"},  // a gap: nothing overwritten
      {{{"UserPreference", "x"}, {"UserFluidX", "y"}, {"userfluid7", "z"}, {"UserFluid2", "b"}}, "UserFluid3"},
      {{{"UserFluid99999999999", "huge"}}, "UserFluid1"},
  };
  for (const Case& c : cases) EXPECT_EQ(NextUserFluidName(c.cookies), c.next);
  EXPECT_EQ(UserFluidIndex("UserFluid12"), 12);
  EXPECT_EQ(UserFluidIndex("UserFluid"), -1);
  EXPECT_EQ(UserFluidIndex("UserFluid1a"), -1);
}

TEST(CookieDecode, UndoesTheWebLayersEncoding) {
  const char* texts[] = {"", "plain", "a b+c", "60 °F", "Ölpumpe", "€ 水 😀", "%3B;=:&?~,\"'"};
  for (const char* t : texts) EXPECT_EQ(CookieDecode(web::CookieEncode(t)), t) << t;
  EXPECT_EQ(CookieDecode("%B0F+x%zz%"), "°F x%zz%");
}

// Every free text of the preferences survives the trip: separators, escape-like texts, the
// question mark that the older reader took for a degree sign, blanks and plus signs.
TEST(PreferenceCookie, ItemsRoundTripThroughTheWire) {
  std::vector<std::string> items = {"", "-1", "0", "VXGate;-1;0;Liquid;Water~1~~~~~~~~~~°F;a%3Bb", "-1", "0", "0",
                                    "-1", "J. Doe; Jr. + Co?", "0", "a%3Bb@x.com", "-1", "Müller ~ Söhne °",
                                    "0", "tel=1:2&3 qqd", "-1", "Pref 8"};
  const std::string value = FormatPreferences(items);
  const std::string wire = web::CookieEncode(value);
  EXPECT_EQ(wire.rfind("%3B", 0), 0u) << "the stored value begins with %3B";
  EXPECT_EQ(wire.substr(wire.size() - 6), "Pref+8");
  EXPECT_EQ(wire.find('?'), std::string::npos);
  EXPECT_EQ(SplitPreferences(wire), items);
  EXPECT_EQ(ReadPreset(SplitPreferences(wire)[3]), items[3]);
}

TEST(PreferenceCookie, ReadsValuesOfTheOlderForm) {
  // Separators of the record as "qqd", degree signs as '?', blanks as '+'.
  const std::string wire = "%3B-1%3B-1%3BVXGateqqd-1qqdWater~1~?Fqqd%3B0%3B0%3B0%3B-1%3BJ.+Doe%3B0";
  const std::vector<std::string> items = SplitPreferences(wire);
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[0], "");
  EXPECT_EQ(items[1], "-1");
  EXPECT_EQ(ReadPreset(items[3]), "VXGate;-1;Water~1~°F;");
  EXPECT_EQ(items[8], "J. Doe");
}

TEST(PreferenceCookie, LongTextsDoNotFit) {
  std::vector<std::string> items(17, "0");
  items[0].clear();
  EXPECT_TRUE(FitsInCookie(PreferenceCookieName, FormatPreferences(items)));
  items[8] = std::string(3000, ';');
  EXPECT_FALSE(FitsInCookie(PreferenceCookieName, FormatPreferences(items)));
}
