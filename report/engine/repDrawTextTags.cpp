// Formatting tags of memo text: parsing them out of the text into per-character records.
#include <algorithm>
#include <cmath>

#include "platform/gfx/ColorNames.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"

void TrepHTMLTag::Assign(const TrepHTMLTag& Source) {
  const bool Keep = DontWRAP;
  *this = Source;
  DontWRAP = Keep;
}

void TrepHTMLTagsList::SetDefaults(gfx::TColor DefColor, int DefSize, gfx::TFontStyles DefStyle) {
  FDefColor = FColor = DefColor;
  FDefSize = FSize = std::clamp(DefSize, -MaxTagFontSize, MaxTagFontSize);
  FDefStyle = FStyle = DefStyle;
  FAddY = 0;
  FDontWRAP = false;
  FPosition = 1;
  FSubStyle = ssNormal;
  FOpen.clear();
  FItems.clear();
}

void TrepHTMLTagsList::NewLine() {
  if (!FItems.empty()) FItems.emplace_back();
}

void TrepHTMLTagsList::Wrap(int Count, bool AddBreak) {
  if (FItems.empty() || Count < 0 || FItems.back().Count() <= Count) return;
  TrepHTMLTags Rest;
  auto& Old = FItems.back().FItems;
  Rest.FItems.assign(Old.begin() + Count, Old.end());
  Old.resize(static_cast<std::size_t>(Count));
  if (AddBreak && Count > 0) Old.push_back(Old[static_cast<std::size_t>(Count) - 1]);
  // The first record of the new line keeps its own position: that is where the line starts in
  // the source, which splitting relies on. Its formatting is absolute, so nothing is copied.
  FItems.push_back(std::move(Rest));
}

void TrepHTMLTagsList::Push(std::u16string Name, std::u16string Attributes) {
  // Deeper nesting still applies its formatting but is not re-opened by closing tags.
  if (static_cast<int>(FOpen.size()) >= MaxOpenTags) return;
  FOpen.push_back({std::move(Name), std::move(Attributes)});
}

std::u16string TrepHTMLTagsList::Close(std::u16string_view Name) {
  auto Opening = [](const TOpenTag& T) {
    return u"<" + T.Name + (T.Attributes.empty() ? u"" : u" " + T.Attributes) + u">";
  };
  // Re-opened tags in the order they come back: the last one popped first.
  std::vector<std::u16string> Pieces;
  while (!FOpen.empty()) {
    TOpenTag Top = std::move(FOpen.back());
    FOpen.pop_back();
    if (Top.Name != Name) {
      Pieces.push_back(Opening(Top));
      continue;
    }
    // The next entry of the same name further down comes back as well (an outer font's
    // colour is restored by re-opening it).
    for (auto It = FOpen.rbegin(); It != FOpen.rend(); ++It)
      if (It->Name == Name) {
        Pieces.push_back(Opening(*It));
        FOpen.erase(std::next(It).base());
        break;
      }
    break;
  }
  std::u16string Reopen;
  for (auto It = Pieces.rbegin(); It != Pieces.rend(); ++It) Reopen += *It;
  return Reopen;
}

TrepHTMLTag TrepHTMLTagsList::Record() const {
  TrepHTMLTag T;
  T.Position = FPosition;
  T.Size = static_cast<std::int16_t>(FSize);
  T.Style = static_cast<std::uint8_t>(FStyle);
  T.Color = FColor;
  T.AddY = static_cast<std::int8_t>(FAddY);
  T.DontWRAP = FDontWRAP;
  T.SubType = static_cast<std::uint8_t>(FSubStyle);
  T.Small = FSize != FDefSize;
  if (!AllowTags) {
    T.Default = true;
    return T;
  }
  const TrepHTMLTag* Prev = nullptr;
  for (auto It = FItems.rbegin(); It != FItems.rend() && !Prev; ++It)
    if (!It->FItems.empty()) Prev = &It->FItems.back();
  if (Prev)
    T.Default = T.Style == Prev->Style && T.Color == Prev->Color && T.Size == Prev->Size && T.AddY == Prev->AddY &&
                T.DontWRAP == Prev->DontWRAP;
  else
    T.Default = T.Style == FDefStyle && T.Color == FDefColor && T.Size == FDefSize;
  return T;
}

namespace {

char16_t Upper(char16_t C) { return C >= u'a' && C <= u'z' ? static_cast<char16_t>(C - 32) : C; }


// The colour a font tag's value names: "#RRGGBB" (quoted or not) or a colour name without its
// "cl" prefix (red), quotes around it allowed.
bool ParseColor(std::u16string_view V, gfx::TColor& Color) {
  if (V.size() >= 2 && (V.front() == u'"' || V.front() == u'\'') && V.back() == V.front()) V = V.substr(1, V.size() - 2);
  if (V.empty()) return false;
  if (V.front() == u'#') {
    V.remove_prefix(1);
    if (V.empty() || V.size() > 6) return false;
    unsigned RGB = 0;
    for (char16_t C : V) {
      const int D = rt::HexDigitValue(C);
      if (D < 0) return false;
      RGB = RGB * 16 + static_cast<unsigned>(D);
    }
    Color = static_cast<gfx::TColor>(((RGB & 0xFF) << 16) | (RGB & 0xFF00) | ((RGB >> 16) & 0xFF));
    return true;
  }
  for (char16_t C : V)
    if (C >= 0x80) return false;
  return gfx::IdentToColor("cl" + rt::Utf16ToUtf8(V), Color);
}

} // namespace

void TrepHTMLTagsList::ExpandHTMLTags(std::u16string& s) {
  if (FItems.empty()) FItems.emplace_back();
  auto& Group = FItems.back().FItems;
  Group.reserve(Group.size() + s.size() + 1);
  if (!s.empty() && (!AllowTags || s.find(u'<') == std::u16string::npos)) {
    // Nothing to parse: every character continues the formatting of the first.
    TrepHTMLTag T = Record();
    for (std::size_t K = 0; K < s.size(); ++K) {
      Group.push_back(T);
      ++T.Position;
      T.Default = true;
      ++FPosition;
    }
    return;
  }
  std::u16string Out;
  Out.reserve(s.size());
  // Tags re-opened after a closing tag, parsed before the rest of s; they are not source text.
  std::u16string Pending;
  std::size_t PendPos = 0, I = 0;
  auto At = [&](std::size_t K) -> char16_t {
    const std::size_t P = Pending.size() - PendPos;
    if (K < P) return Pending[PendPos + K];
    K -= P;
    return I + K < s.size() ? s[I + K] : char16_t(0);
  };
  auto U = [&](std::size_t K) { return Upper(At(K)); };
  auto Match = [&](std::size_t From, std::u16string_view Name) {
    for (std::size_t K = 0; K < Name.size(); ++K)
      if (U(From + K) != Name[K]) return false;
    return true;
  };
  auto StyleBit = [](char16_t C) -> gfx::TFontStyles {
    return C == u'B' ? 1u << gfx::fsBold : C == u'I' ? 1u << gfx::fsItalic : C == u'U' ? 1u << gfx::fsUnderline : 0;
  };
  std::u16string Reopen;
  // The length of the tag at the cursor, 0 when there is none.
  auto ParseTag = [&]() -> std::size_t {
    if (At(2) == u'>' && StyleBit(U(1))) {
      FStyle |= StyleBit(U(1));
      Push(std::u16string(1, U(1)));
      return 3;
    }
    if (At(1) == u'/' && At(3) == u'>' && StyleBit(U(2))) {
      FStyle &= ~StyleBit(U(2));
      Reopen = Close(std::u16string(1, U(2)));
      return 4;
    }
    if (At(4) == u'>' && (Match(1, u"SUB") || Match(1, u"SUP"))) {
      const bool Sub = Match(1, u"SUB");
      FSize = static_cast<int>(std::lround(FDefSize / 1.5));
      FAddY = Sub ? 1 : 0;
      FSubStyle = Sub ? ssSubscript : ssSuperscript;
      Push(Sub ? u"SUB" : u"SUP");
      return 5;
    }
    if (At(1) == u'/' && (Match(2, u"SUB>") || Match(2, u"SUP>"))) {
      Reopen = Close(Match(2, u"SUB>") ? u"SUB" : u"SUP");
      FSize = FDefSize;
      FAddY = 0;
      FSubStyle = ssNormal;
      return 6;
    }
    const bool Longer = At(4) != u'>' && At(5) != u'>';
    if (Longer && Match(1, u"STRIKE>")) {
      FStyle |= 1u << gfx::fsStrikeOut;
      Push(u"STRIKE");
      return 8;
    }
    if (Match(1, u"/STRIKE>")) {
      FStyle &= ~(1u << gfx::fsStrikeOut);
      Reopen = Close(u"STRIKE");
      return 9;
    }
    if (Longer && Match(1, u"NOWRAP>")) {
      FDontWRAP = true;
      Push(u"NOWRAP");
      return 8;
    }
    if (Match(1, u"/NOWRAP>")) {
      FDontWRAP = false;
      Reopen = Close(u"NOWRAP");
      return 9;
    }
    if (Longer && Match(1, u"FONT COLOR")) {
      std::size_t K = 11;
      while (K < MaxFontTagLength && At(K) && At(K) != u'=' && At(K) != u'>') ++K;
      if (At(K) != u'=') return 0;
      ++K;
      while (K < MaxFontTagLength && At(K) == u' ') ++K;
      std::u16string Value;
      while (K < MaxFontTagLength && At(K) && At(K) != u'>') Value += At(K++);
      if (At(K) != u'>') return 0;
      gfx::TColor Color;
      // An unknown colour leaves the tag as text and opens nothing, so no closing tag can
      // re-open it as markup.
      if (!ParseColor(Value, Color)) return 0;
      FColor = Color;
      Push(u"FONT", u"COLOR = " + Value);
      return K + 1;
    }
    if (Match(1, u"/FONT>")) {
      FColor = FDefColor;
      Reopen = Close(u"FONT");
      return 7;
    }
    return 0;
  };

  while (PendPos < Pending.size() || I < s.size()) {
    const bool FromPending = PendPos < Pending.size();
    std::size_t Len = 0;
    if (AllowTags && At(0) == u'<') {
      Reopen.clear();
      Len = ParseTag();
    }
    if (Len > 0) {
      // Only source characters move the position.
      const std::size_t P = std::min(Len, Pending.size() - PendPos);
      PendPos += P;
      I += Len - P;
      FPosition += static_cast<int>(Len - P);
      if (!Reopen.empty()) {
        Pending = Reopen + Pending.substr(PendPos);
        PendPos = 0;
      }
      continue;
    }
    if (FromPending) {  // not reached: re-opened tags always parse
      ++PendPos;
      continue;
    }
    FItems.back().FItems.push_back(Record());
    Out += s[I];
    ++I;
    ++FPosition;
  }
  if (Out.empty()) {
    FItems.back().FItems.push_back(Record());
    Out = u" ";
  }
  s = std::move(Out);
}
