#include "webapp/SizingRecord.h"

#include <gtest/gtest.h>

#include <vector>

using namespace sizing;

namespace sizing {
void PrintTo(const TSizingRecord& r, std::ostream* os) { *os << FormatRecord(r); }
}  // namespace sizing

namespace {

std::vector<std::string> Fields(const std::string& line, char sep = ';') {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto end = line.find(sep, start);
    out.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

// A gate sizing of water at 1.25 in. in Cv mode, as the form writes it.
TSizingRecord GateWater() {
  TSizingRecord r;
  r.ValveType = "Sliding Gate";
  r.CvMode = "-1";
  r.Linear = "-1";
  r.State = "Liquid";
  r.Fluid = {"Water", "1", "3206", "1166", "1.15", "0", "0.26", "60", "0", "0", "1", "°F"};
  r.Size = "1.25";
  r.Cv = "12";
  r.FlowUnit = "Gallons per Minute";
  r.Flow = {"10", "20", "30"};
  r.PressureUnit = "psi";
  r.P1 = {"100", "100", "100"};
  r.P2 = {"80", "70", "60"};
  r.TempUnit = "°F";
  r.Temp = {"60", "60", "60"};
  r.UpDiam = "2.00 in";
  r.DownDiam = "2.00 in";
  r.Schedule = "40";
  r.ValveFamily = "1";
  r.Tag = "FV-101";
  r.LinkedDiams = "-1";
  r.User = "J. Doe";
  r.Style = "VXGate";
  r.Customer = "ACME";
  r.LineItem = "3";
  return r;
}

TSizingRecord GlobeGasFlowMode() {
  TSizingRecord r = GateWater();
  r.ValveType = "Series C";
  r.CvMode = "0";
  r.Linear = "0";
  r.State = "Gas";
  r.Fluid = {"Nitrogen", "0.97", "1", "227", "0.014", "1.407", "1.407", "60", "1", "0", "1", "°C"};
  r.Size = "0.50";
  r.Cv = "4.5";
  r.FlowUnit = "Std cubic meters per hr";
  r.Flow = {"2", "", "4.5"};  // the user's Cv in flow mode; Norm left empty
  r.PressureUnit = "bar";
  r.P1 = {"7", "", "7.5"};
  r.P2 = {"1", "", "1.5"};
  r.TempUnit = "°C";
  r.Temp = {"20", "", "-10"};
  r.ValveFamily = "2";
  r.Style = "VXGlobe";
  return r;
}

TSizingRecord LowFlowSteam() {
  TSizingRecord r = GateWater();
  r.ValveType = "Low Flow";
  r.State = "Steam";
  r.Fluid = {"Saturated Steam", "", "", "1", "", "1", "", "327.8", "1", "0", "1", "K"};
  r.Size = "0.25";
  r.Cv = "0.05";
  r.FlowUnit = "Kilograms per Hour";
  r.PressureUnit = "kilo pascal";
  r.TempUnit = "K";
  r.Temp = {"", "", ""};
  r.UpDiam = "0.75 in";
  r.DownDiam = "";
  r.ValveFamily = "3";
  r.LinkedDiams = "0";
  r.Style = "LFLowflow";
  return r;
}

TSizingRecord WithMode(TSizingRecord r, const char* mode) {
  r.PressureMode = mode;
  return r;
}

TSizingRecord WithTexts(TSizingRecord r, const std::string& text) {
  r.Fluid.Name = text;
  r.Tag = text;
  r.User = text;
  r.Customer = text;
  r.LineItem = text;
  return r;
}

}  // namespace

// Every kind of sizing and every awkward text comes back identical through the file.
TEST(SizingRecord, RoundTripsThroughTheFile) {
  struct Case {
    const char* what;
    TSizingRecord record;
  } cases[] = {
      {"gate, water, Cv mode", GateWater()},
      {"globe, gas, flow mode", GlobeGasFlowMode()},
      {"low flow, steam", LowFlowSteam()},
      {"each low-flow and sanitary style", [] { auto r = LowFlowSteam(); r.Style = "PLGlobe"; return r; }()},
      {"no style selected (31 fields)", [] { auto r = GateWater(); r.Style.clear(); return r; }()},
      {"separators in texts", WithTexts(GateWater(), "a;b~c%d;;~~%%")},
      {"escape-like texts", WithTexts(GateWater(), "%3B %7E %25 %zz 100% qqd")},
      {"degree sign and quotes", WithTexts(GlobeGasFlowMode(), "60 °C \"hot\" 'x'")},
      {"western letters", WithTexts(GateWater(), "Ölpumpe Café ñ – €")},
      {"letters beyond the code page", WithTexts(LowFlowSteam(), "Łódź Ωμέγα 水 😀")},
      {"control characters", WithTexts(GateWater(), "tab\there")},
      {"empty texts", WithTexts(GateWater(), "")},
      {"absolute pressures", WithMode(GlobeGasFlowMode(), "Absolute")},
      {"gauge pressures, no style (34 fields)", [] { auto r = WithMode(GateWater(), "Gauge"); r.Style.clear(); return r; }()},
      // Western letters whose code-page bytes happen to form UTF-8 ("Ø¾" is D8 BE, "Ã©" C3 A9).
      {"code-page bytes that read as UTF-8", WithMode(WithTexts(GateWater(), "Ø¾ LINE Ã© Â°"), "Gauge")},
      {"typed Norm and Max properties",
       [] {
         auto r = WithMode(GateWater(), "Absolute");
         r.NormMax = {{{"1.1", "500", "0.3", ""}, {"", "1.", "-", "3200"}}};
         return r;
       }()},
      {"no fluid chosen", [] { auto r = WithMode(GateWater(), "Gauge"); r.Fluid.Name.clear(); return r; }()},
  };
  for (Case& c : cases) {
    const std::string line = FormatRecord(c.record);
    const std::string file = EncodeFile(line);
    TSizingRecord back;
    std::string error;
    ASSERT_TRUE(ReadFile(file, back, error)) << c.what << ": " << error;
    EXPECT_EQ(back, c.record) << c.what;
    EXPECT_EQ(FormatRecord(back), line) << c.what;
  }
}

TEST(SizingRecord, GateSizingFieldsSitWhereReadersExpectThem) {
  const std::vector<std::string> f = Fields(FormatRecord(GateWater()));
  ASSERT_EQ(f.size(), 32u);
  EXPECT_EQ(f[1], "-1");
  EXPECT_EQ(f[2], "-1");
  EXPECT_EQ(f[3], "Liquid");
  EXPECT_EQ(f[4], "Water~1~3206~1166~1.15~0~0.26~60~0~0~1~°F");
  EXPECT_EQ(f[5], "1.25");
  EXPECT_EQ(f[11], "psi");
  EXPECT_EQ(f[25], "1");
  EXPECT_EQ(f[29], "VXGate");
  EXPECT_EQ(f[30], "ACME");
  EXPECT_EQ(f[31], "3");

  TSizingRecord noStyle = GateWater();
  noStyle.Style.clear();
  const std::vector<std::string> g = Fields(FormatRecord(noStyle));
  ASSERT_EQ(g.size(), 31u);
  EXPECT_EQ(g[29], "ACME");  // customer and line item move up by one
  EXPECT_EQ(g[30], "3");

  // With the pressure mode: always 34 fields, the style kept in its place even when empty, the
  // Norm and Max property edits last.
  for (const char* style : {"VXGate", ""}) {
    TSizingRecord r = WithMode(GateWater(), "Absolute");
    r.Style = style;
    r.NormMax[1].CP = "3200";
    const std::vector<std::string> h = Fields(FormatRecord(r));
    ASSERT_EQ(h.size(), 34u) << style;
    EXPECT_EQ(h[33], "~~~~~~~3200");
    EXPECT_EQ(h[29], style);
    EXPECT_EQ(h[30], "ACME");
    EXPECT_EQ(h[31], "3");
    EXPECT_EQ(h[32], "Absolute");
  }
}

TEST(SizingRecord, TheFileIsTheRecordInTheWesternCodePageWithoutLineEnd) {
  const std::string line = FormatRecord(WithTexts(GateWater(), "60°F é"));
  const std::string file = EncodeFile(line);
  EXPECT_NE(file.back(), '\n');
  EXPECT_EQ(file.find("\xC2"), std::string::npos) << "no UTF-8 bytes";
  EXPECT_NE(file.find("60\xB0" "F \xE9"), std::string::npos);
  std::size_t twoByte = 0;  // '°' and 'é' are two bytes in UTF-8, one in the file
  for (char c : line) twoByte += c == '\xC2' || c == '\xC3';
  EXPECT_EQ(file.size(), line.size() - twoByte);
  // A character the code page lacks is an escape of its UTF-8 bytes, not a '?'.
  EXPECT_EQ(EncodeFile("x€水"), "x\x80%E6%B0%B4");
  EXPECT_EQ(DecodeFile("x\x80%E6%B0%B4"), "x€水");
}

TEST(SizingRecord, ReadsFilesOfOtherWriters) {
  // Written without escapes, with a '%' that is no escape.
  const std::string plain =
      "Sliding Gate;-1;-1;Liquid;Hydrochloric Acid (30%)~1.15~1~0~1~0~1~60~0~0~1~°F;2.00;60;Gallons per Minute;"
      "1;2;3;psi;100;100;100;50;50;50;°F;60;60;60;.75 in;.75 in;40;1;T 50%;-1;me;VXGate;cust;li";
  TSizingRecord r;
  std::string error;
  ASSERT_TRUE(ReadFile(EncodeFile(plain), r, error)) << error;
  EXPECT_EQ(r.Fluid.Name, "Hydrochloric Acid (30%)");
  EXPECT_EQ(r.Tag, "T 50%");
  EXPECT_EQ(r.UpDiam, ".75 in");
  // Saved as UTF-8 by an editor, with a byte-order mark and a line end.
  TSizingRecord u;
  ASSERT_TRUE(ReadFile("\xEF\xBB\xBF" + FormatRecord(WithTexts(GateWater(), "Ölpumpe °")) + "\r\n", u, error))
      << error;
  EXPECT_EQ(u.Tag, "Ölpumpe °");
  EXPECT_EQ(u, WithTexts(GateWater(), "Ölpumpe °"));
}

TEST(SizingRecord, RejectsBadFilesWithOneReason) {
  const std::string good = EncodeFile(FormatRecord(GateWater()));
  auto replaceField = [&](int index, const std::string& value) {
    std::vector<std::string> f = Fields(good);
    f[static_cast<std::size_t>(index)] = value;
    std::string out;
    for (std::size_t i = 0; i < f.size(); ++i) out += (i ? ";" : "") + f[i];
    return out;
  };
  std::string junk;
  for (int i = 0; i < 600; ++i) junk += static_cast<char>((i * 73 + 11) % 256);
  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"empty", "", "it is empty"},
      {"truncated", good.substr(0, good.size() / 2), "fields where a sizing has 31, 32 or 34"},
      {"33 fields", good + ";Gauge", "it has 33 fields where a sizing has 31, 32 or 34"},
      {"an unknown pressure mode", good + ";gauge;~~~~~~~", "the pressure mode \"gauge\" is not Gauge or Absolute"},
      {"property parts", good + ";Gauge;1~2", "its property field has 2 parts where a sizing has 8"},
      {"a property that is no number", good + ";Gauge;~~~~~x~~",
       "the viscosity (Max) \"x\" is not a number"},
      {"letters in a number", replaceField(12, "1OO"), "the inlet pressure P1 (Min) \"1OO\" is not a number"},
      {"letters in the size", replaceField(5, "2 in"), "the valve size \"2 in\" is not a number"},
      {"a yes/no field", replaceField(1, "yes"), "the Cv mode \"yes\" is not a yes/no value"},
      {"linked diameters", replaceField(27, "maybe"), "the linked diameters flag \"maybe\" is not a yes/no"},
      {"pipe size", replaceField(22, "two in"), "the inlet pipe diameter \"two in\" is not a pipe size"},
      {"fluid state", replaceField(3, "Plasma"), "the fluid state \"Plasma\" is not Liquid, Gas or Steam"},
      {"fluid parts", replaceField(4, "Wa~ter~1~3206~1166~1.15~0~0.26~60~0~0~1~°F"), "its fluid field has 13 parts"},
      {"fluid number", replaceField(4, "Water~x~3206~1166~1.15~0~0.26~60~0~0~1~°F"),
       "the specific gravity \"x\" is not a number"},
      {"binary junk", junk, "characters that do not belong"},
      {"2 MB", std::string(2 * 1024 * 1024, 'x'), "it is larger than 64 KiB"},
  };
  for (const Case& c : cases) {
    TSizingRecord r = GlobeGasFlowMode();
    std::string error;
    EXPECT_FALSE(ReadFile(c.bytes, r, error)) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(r, GlobeGasFlowMode()) << c.what << ": the record is left alone";
  }
}

TEST(SizingRecord, ReadsBooleanTextsAndFixesLeadingDecimals) {
  struct {
    const char* text;
    bool ok, value;
  } bools[] = {{"-1", true, true}, {"0", true, false}, {"1", true, true},     {"True", true, true},
               {"false", true, false}, {"0.0", true, false}, {"", false, false}, {"yes", false, false}};
  for (const auto& b : bools) {
    bool v = !b.value;
    EXPECT_EQ(TryReadBool(b.text, v), b.ok) << b.text;
    if (b.ok) {
      EXPECT_EQ(v, b.value) << b.text;
    }
  }
  EXPECT_EQ(FixLeadingDecimal(".75 in"), "0.75 in");
  EXPECT_EQ(FixLeadingDecimal("1.5 in"), "1.5 in");
  EXPECT_EQ(FixLeadingDecimal(""), "");
}

TEST(SizingRecord, EscapesOnlyWhatWouldSplitOrHideAText) {
  EXPECT_EQ(EscapeField("a;b~c%d\te"), "a%3Bb%7Ec%25d%09e");
  EXPECT_EQ(EscapeField("Water @ 60 °F, \"x\""), "Water @ 60 °F, \"x\"");
  EXPECT_EQ(UnescapeField("a%3Bb%7ec%25d%09e"), "a;b~c%d\te");
  EXPECT_EQ(UnescapeField("100% %41 %"), "100% %41 %");
}

// The encoding of a file is decided by what marks it; only unmarked files of older writers are
// guessed, as they always were.
TEST(SizingRecord, DecidesTheEncodingFromMarkers) {
  const TSizingRecord ours = WithMode(WithTexts(GateWater(), "Ø¾ LINE"), "Gauge");
  const std::string ourFile = EncodeFile(FormatRecord(ours));
  ASSERT_NE(ourFile.find("\xD8\xBE LINE"), std::string::npos) << "8-bit, as the file has always been";

  // No pressure mode (32 fields), and no other letter beyond ASCII, so its bytes are UTF-8.
  TSizingRecord older = WithTexts(GateWater(), "Ø¾ LINE");
  older.TempUnit = older.Fluid.TempUnit = "K";
  const std::string olderFile = EncodeFile(FormatRecord(older));
  struct Case {
    const char* what;
    std::string bytes;
    std::string tag;
    std::string valveType;
  } cases[] = {
      {"ours, bytes that form UTF-8", ourFile, "Ø¾ LINE", "Sliding Gate"},
      {"ours with a line end", ourFile + "\r\n", "Ø¾ LINE", "Sliding Gate"},
      {"ours behind two byte-order marks, saved again as UTF-8",
       "\xEF\xBB\xBF\xEF\xBB\xBF" + FormatRecord(ours), "Ø¾ LINE", "Sliding Gate"},
      {"ours behind two byte-order marks, still 8-bit", "\xEF\xBB\xBF\xEF\xBB\xBF" + ourFile, "Ø¾ LINE",
       "Sliding Gate"},
      // An older file is ambiguous; it reads as it always has.
      {"older, bytes that form UTF-8", olderFile, "ؾ LINE", "Sliding Gate"},
      {"older, plain 8-bit", EncodeFile(FormatRecord(WithTexts(GateWater(), "Ø LINE"))), "Ø LINE", "Sliding Gate"},
  };
  for (const Case& c : cases) {
    TSizingRecord r;
    std::string error;
    ASSERT_TRUE(ReadFile(c.bytes, r, error)) << c.what << ": " << error;
    EXPECT_EQ(r.Tag, c.tag) << c.what;
    EXPECT_EQ(r.ValveType, c.valveType) << c.what;
  }
}
