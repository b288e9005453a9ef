#include "webapp/SizingRecord.h"

#include <cstdint>
#include <vector>

#include "platform/rt/SysUtils.h"

namespace sizing {

const char* const StyleMarkers[6] = {"VXGlobe", "VXGate", "LFLowflow", "LFGlobe", "PLLowflow", "PLGlobe"};
const char* const GaugeMode = "Gauge";
const char* const AbsoluteMode = "Absolute";

namespace {

const char* const Hex = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void Percent(std::string& out, unsigned char ch) {
  out += '%';
  out += Hex[ch >> 4];
  out += Hex[ch & 15];
}

// The byte of "%XX" at text[i], or -1.
int EscapedByte(std::string_view text, std::size_t i) {
  if (i + 2 >= text.size() || text[i] != '%') return -1;
  const int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

bool IsControl(unsigned char ch) { return ch < 0x20 || ch == 0x7F; }


// ---- Windows western code page ----

// Code points of bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
const char32_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Length of the well-formed UTF-8 sequence of more than one byte at s[i], or 0.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, char32_t* cp = nullptr) {
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  std::size_t n;
  char32_t c;
  if (b0 >= 0xC2 && b0 <= 0xDF) n = 2, c = b0 & 0x1F;
  else if (b0 >= 0xE0 && b0 <= 0xEF) n = 3, c = b0 & 0x0F;
  else if (b0 >= 0xF0 && b0 <= 0xF4) n = 4, c = b0 & 0x07;
  else return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and code points beyond Unicode are not well formed.
  if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
    return 0;
  if (cp) *cp = c;
  return n;
}

// The code page's byte for a code point; -1 when it has none.
int CodePageByte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; ++k)
    if (HighControls[k] == cp && cp != 0) return 0x80 + k;
  return -1;
}

bool Utf8Valid(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) ++i;
    else if (const std::size_t n = Utf8SequenceLength(s, i)) i += n;
    else return false;
  }
  return true;
}

bool IsUtf8WithMultibyte(std::string_view s) {
  bool multi = false;
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    multi = true;
    i += n;
  }
  return multi;
}

// Restores "%XX%XX.." runs that spell one well-formed UTF-8 character; leaves every other '%'.
std::string RestoreEscapedUtf8(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const int b0 = EscapedByte(s, i);
    if (b0 >= 0xC2) {
      std::string bytes(1, static_cast<char>(b0));
      std::size_t j = i + 3;
      const std::size_t need = b0 <= 0xDF ? 2 : b0 <= 0xEF ? 3 : 4;
      while (bytes.size() < need) {
        const int b = EscapedByte(s, j);
        if (b < 0) break;
        bytes += static_cast<char>(b);
        j += 3;
      }
      if (bytes.size() == need && Utf8SequenceLength(bytes, 0) == need) {
        out += bytes;
        i = j;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

// ---- Record fields ----

enum TKind {
  kText,        // anything
  kBool,        // "-1", "0", ...
  kNumber,      // a number
  kEntry,       // empty, a number, or a half-typed one
  kInteger,     // a whole number
  kDiameter,    // empty, or a number with an optional " in"
  kState,       // Liquid, Gas or Steam
  kMode,        // Gauge or Absolute
};

struct TFieldSpec {
  std::string TSizingRecord::*Member;  // a single field, or
  std::array<std::string, 3> TSizingRecord::*Triple;  // three fields: Min, Norm, Max
  const char* What;
  TKind Kind;
};

struct TFluidSpec {
  std::string TSizingFluid::*Member;
  const char* What;
  TKind Kind;
};

// Fields 0 to 3, before the fluid field.
const TFieldSpec HeadFields[] = {
    {&TSizingRecord::ValveType, nullptr, "valve type", kText},
    {&TSizingRecord::CvMode, nullptr, "Cv mode", kBool},
    {&TSizingRecord::Linear, nullptr, "characteristic", kBool},
    {&TSizingRecord::State, nullptr, "fluid state", kState},
};

const TFluidSpec FluidFields[12] = {
    {&TSizingFluid::Name, "fluid name", kText},
    {&TSizingFluid::SG, "specific gravity", kEntry},
    {&TSizingFluid::CPorComp, "critical pressure or compressibility", kEntry},
    {&TSizingFluid::CritTemp, "critical temperature", kEntry},
    {&TSizingFluid::Visc, "viscosity", kEntry},
    {&TSizingFluid::SpecHeat, "specific heat", kEntry},
    {&TSizingFluid::VPorSH, "vapour pressure or specific heat ratio", kEntry},
    {&TSizingFluid::Temp, "fluid temperature", kEntry},
    {&TSizingFluid::Compress, "compressibility", kEntry},
    {&TSizingFluid::NonAmbient, "non-ambient flag", kBool},
    {&TSizingFluid::Superheatfactor, "superheat factor", kEntry},
    {&TSizingFluid::TempUnit, "fluid temperature unit", kText},
};

// Fields 5 to 28, after the fluid field.
const TFieldSpec TailFields[] = {
    {&TSizingRecord::Size, nullptr, "valve size", kNumber},
    {&TSizingRecord::Cv, nullptr, "Cv", kText},
    {&TSizingRecord::FlowUnit, nullptr, "flow unit", kText},
    {nullptr, &TSizingRecord::Flow, "flow", kEntry},
    {&TSizingRecord::PressureUnit, nullptr, "pressure unit", kText},
    {nullptr, &TSizingRecord::P1, "inlet pressure P1", kEntry},
    {nullptr, &TSizingRecord::P2, "outlet pressure P2", kEntry},
    {&TSizingRecord::TempUnit, nullptr, "temperature unit", kText},
    {nullptr, &TSizingRecord::Temp, "temperature", kEntry},
    {&TSizingRecord::UpDiam, nullptr, "inlet pipe diameter", kDiameter},
    {&TSizingRecord::DownDiam, nullptr, "outlet pipe diameter", kDiameter},
    {&TSizingRecord::Schedule, nullptr, "pipe schedule", kText},
    {&TSizingRecord::ValveFamily, nullptr, "valve family", kInteger},
    {&TSizingRecord::Tag, nullptr, "tag number", kText},
    {&TSizingRecord::LinkedDiams, nullptr, "linked diameters flag", kBool},
    {&TSizingRecord::User, nullptr, "user name", kText},
};

const char* const ConditionNames[3] = {"Min", "Norm", "Max"};

bool IsNumber(const std::string& s) {
  double v;
  return rt::TryStrToFloat(s, v);
}

// Empty when the text fits its kind; otherwise the reason.
std::string Check(const std::string& text, const std::string& what, TKind kind) {
  auto quoted = [&] { return what + " \"" + text + "\""; };
  bool b;
  int n;
  switch (kind) {
    case kText:
      return {};
    case kBool:
      return TryReadBool(text, b) ? std::string() : "the " + quoted() + " is not a yes/no value (\"-1\" or \"0\")";
    case kNumber:
      return IsNumber(text) ? std::string() : "the " + quoted() + " is not a number";
    case kEntry:
      // An edit may be saved half typed ("-", "1.2."): what its key filter lets through comes back.
      return text.empty() || IsNumber(text) || text.find_first_not_of("0123456789.-") == std::string::npos
                 ? std::string()
                 : "the " + quoted() + " is not a number";
    case kInteger:
      return rt::TryStrToInt(text, n) ? std::string() : "the " + quoted() + " is not a whole number";
    case kDiameter: {
      const std::string t = rt::Trim(rt::StringReplace(FixLeadingDecimal(text), " in", "", rt::rfReplaceAll));
      return t.empty() || IsNumber(t) ? std::string() : "the " + quoted() + " is not a pipe size";
    }
    case kState:
      return text == "Liquid" || text == "Gas" || text == "Steam"
                 ? std::string()
                 : "the " + quoted() + " is not Liquid, Gas or Steam";
    case kMode:
      return text == GaugeMode || text == AbsoluteMode ? std::string()
                                                       : "the " + quoted() + " is not Gauge or Absolute";
  }
  return {};
}

}  // namespace

std::string EscapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch == '%' || ch == ';' || ch == '~' || IsControl(ch)) Percent(out, ch);
    else out += c;
  }
  return out;
}

std::string UnescapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const int b = EscapedByte(text, i);
    if (b == '%' || b == ';' || b == '~' || (b >= 0 && IsControl(static_cast<unsigned char>(b)))) {
      out += static_cast<char>(b);
      i += 3;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string FormatRecord(const TSizingRecord& r) {
  std::vector<std::string> f;
  f.reserve(32);
  auto add = [&](const std::string& s) { f.push_back(EscapeField(s)); };
  auto put = [&](const TFieldSpec& fs) {
    if (fs.Member) add(r.*fs.Member);
    else for (const auto& s : r.*fs.Triple) add(s);
  };
  for (const auto& fs : HeadFields) put(fs);
  std::string fluid;
  for (int k = 0; k < 12; ++k) {
    if (k) fluid += '~';
    fluid += EscapeField(r.Fluid.*FluidFields[k].Member);
  }
  f.push_back(fluid);
  for (const auto& fs : TailFields) put(fs);
  if (!r.Style.empty() || !r.PressureMode.empty()) add(r.Style);
  add(r.Customer);
  add(r.LineItem);
  if (!r.PressureMode.empty()) {
    add(r.PressureMode);
    std::string props;
    for (const TConditionProperties& c : r.NormMax)
      for (const std::string* t : {&c.SG, &c.Visc, &c.VP, &c.CP}) props += '~' + EscapeField(*t);
    f.push_back(props.substr(1));
  }
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (i) out += ';';
    out += f[i];
  }
  return out;
}

bool ParseRecord(std::string_view text, TSizingRecord& record, std::string& error) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (rt::Trim(text).empty()) {
    error = "it is empty";
    return false;
  }
  for (char c : text)
    if (IsControl(static_cast<unsigned char>(c))) {
      error = "it holds characters that do not belong in a sizing file";
      return false;
    }
  const std::vector<std::string> raw = rt::SplitFields(text, ";");
  if (raw.size() != 31 && raw.size() != 32 && raw.size() != 34) {
    error = "it has " + std::to_string(raw.size()) + " fields where a sizing has 31, 32 or 34";
    return false;
  }
  const std::vector<std::string> rawFluid = rt::SplitFields(raw[4], "~");
  if (rawFluid.size() != 12) {
    error = "its fluid field has " + std::to_string(rawFluid.size()) + " parts where a sizing has 12";
    return false;
  }

  TSizingRecord r;
  std::size_t i = 0;
  auto next = [&] { return UnescapeField(raw[i++]); };
  auto take = [&](const TFieldSpec& fs) -> bool {
    if (fs.Member) {
      r.*fs.Member = next();
      error = Check(r.*fs.Member, fs.What, fs.Kind);
      return error.empty();
    }
    auto& triple = r.*fs.Triple;
    for (int k = 0; k < 3; ++k) {
      triple[static_cast<std::size_t>(k)] = next();
      error = Check(triple[static_cast<std::size_t>(k)], std::string(fs.What) + " (" + ConditionNames[k] + ")", fs.Kind);
      if (!error.empty()) return false;
    }
    return true;
  };
  for (const auto& fs : HeadFields)
    if (!take(fs)) return false;
  for (int k = 0; k < 12; ++k) {
    r.Fluid.*FluidFields[k].Member = UnescapeField(rawFluid[static_cast<std::size_t>(k)]);
    error = Check(r.Fluid.*FluidFields[k].Member, FluidFields[k].What, FluidFields[k].Kind);
    if (!error.empty()) return false;
  }
  ++i;
  for (const auto& fs : TailFields)
    if (!take(fs)) return false;
  if (raw.size() >= 32) r.Style = next();
  r.Customer = next();
  r.LineItem = next();
  if (raw.size() == 34) {
    r.PressureMode = next();
    error = Check(r.PressureMode, "pressure mode", kMode);
    if (!error.empty()) return false;
    const std::vector<std::string> props = rt::SplitFields(raw[i++], "~");
    if (props.size() != 8) {
      error = "its property field has " + std::to_string(props.size()) + " parts where a sizing has 8";
      return false;
    }
    const char* const names[4] = {"specific gravity", "viscosity", "vapour pressure or specific heat ratio",
                                  "critical pressure or compressibility"};
    for (std::size_t k = 0; k < 8; ++k) {
      TConditionProperties& c = r.NormMax[k / 4];
      std::string* t[4] = {&c.SG, &c.Visc, &c.VP, &c.CP};
      *t[k % 4] = UnescapeField(props[k]);
      error = Check(*t[k % 4], std::string(names[k % 4]) + " (" + ConditionNames[1 + k / 4] + ")", kEntry);
      if (!error.empty()) return false;
    }
  }
  record = std::move(r);
  error.clear();
  return true;
}

std::string FixLeadingDecimal(const std::string& text) {
  if (text.empty() || text[0] != '.') return text;
  return rt::StringReplace(text, ".", "0.", rt::rfReplaceAll);
}

bool TryReadBool(std::string_view text, bool& value) {
  const std::string t(text);
  if (rt::SameText(t, "True")) {
    value = true;
    return true;
  }
  if (rt::SameText(t, "False")) {
    value = false;
    return true;
  }
  double v;
  if (!rt::TryStrToFloat(t, v)) return false;
  value = v != 0;
  return true;
}

std::string EncodeFile(std::string_view record) {
  std::string out;
  out.reserve(record.size());
  for (std::size_t i = 0; i < record.size();) {
    const unsigned char ch = static_cast<unsigned char>(record[i]);
    if (ch < 0x80) {
      out += static_cast<char>(ch);
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = Utf8SequenceLength(record, i, &cp);
    if (n == 0) {  // not UTF-8: kept visible as an escape rather than lost
      Percent(out, ch);
      ++i;
      continue;
    }
    const int b = CodePageByte(cp);
    if (b >= 0) {
      out += static_cast<char>(b);
    } else {
      for (std::size_t k = 0; k < n; ++k) Percent(out, static_cast<unsigned char>(record[i + k]));
    }
    i += n;
  }
  return out;
}

namespace {

// Whether the bytes are a record with the pressure-mode field, which only this writer adds. A ';'
// is the same byte in UTF-8 and in the code page, so the fields can be counted undecoded.
bool CarriesPressureMode(std::string_view bytes) {
  while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.remove_suffix(1);
  std::size_t separators = 0;
  for (char c : bytes) separators += c == ';';
  if (separators != 33) return false;
  const std::size_t end = bytes.rfind(';'), start = bytes.rfind(';', end - 1) + 1;
  const std::string_view mode = bytes.substr(start, end - start);
  return mode == GaugeMode || mode == AbsoluteMode;
}

}  // namespace

std::string DecodeFile(std::string_view bytes) {
  bool marked = false;
  while (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
    marked = true;
  }
  bool utf8;
  if (marked) utf8 = Utf8Valid(bytes);
  else if (CarriesPressureMode(bytes)) utf8 = false;
  else utf8 = IsUtf8WithMultibyte(bytes);
  std::string text;
  if (utf8) {
    text.assign(bytes);
  } else {
    text.reserve(bytes.size());
    for (char c : bytes) {
      const unsigned char ch = static_cast<unsigned char>(c);
      if (ch < 0x80) text += c;
      else if (ch < 0xA0) AppendUtf8(text, HighControls[ch - 0x80] ? HighControls[ch - 0x80] : ch);
      else AppendUtf8(text, ch);
    }
  }
  return RestoreEscapedUtf8(text);
}

bool ReadFile(std::string_view bytes, TSizingRecord& record, std::string& error) {
  if (bytes.size() > MaxFileSize) {
    error = "it is larger than " + std::to_string(MaxFileSize / 1024) + " KiB";
    return false;
  }
  return ParseRecord(DecodeFile(bytes), record, error);
}

}  // namespace sizing
