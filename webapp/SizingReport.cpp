#include "webapp/SizingReport.h"

#include <cctype>
#include <map>
#include <utility>

#include "calc/utilities.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "webapp/SizingTemplate.h"

namespace webapp {

const char* const StandardsLines[5] = {
    "Standards Used",
    "1-- ANSI / ISA-75.01.01 (IEC 60534-2-1 Mod) -2007 ",
    "2-- ASME B36.10M-2004 / ASME BPE For Tri-Clamp",
    "3-- IEC-Aerodynamic 60534-8-3 (For Gas 2010-11),",
    "      IEC-Hydrodynamic 60534-8-4 (For Liquid 2005-08)",
};

const char* const SuggestionLines[4] = {
    "Sizing Recommendations:",
    "",
    "For PRV\u2019s size to 70% capacity - BPRV\u2019s size to 50% capacity - DCV\u2019s size to 90% capacity.   "
    "For MOV\u2019s size to 90% capacity - ",
    "TCV\u2019s size to 90% capacity \u2013 Piloted Valves size to 90% capacity",
};

const char* const ChartSuggestionLines[6] = {
    "\u25CF PRV\u2019s size to 70% capacity",  "\u25CF BPRV\u2019s size to 50% capacity",
    "\u25CF DCV\u2019s size to 90% capacity",  "\u25CF MOV\u2019s size to 90% capacity",
    "\u25CF TCV\u2019s size to 90% capacity",  "\u25CF Piloted Valves size to 90% capacity",
};

namespace {

const char* const CrLf = "\r\n";
const char* const CapacityExceeded = "Valve capacity exceeded";
const char* const Conditions[3] = {"Min", "Norm", "Max"};

std::string Joined(const char* const* Lines, int Count) {
  std::string S;
  for (int i = 0; i < Count; ++i) {
    if (i) S += CrLf;
    S += Lines[i];
  }
  return S;
}

// The object of that name; a template that lacks it is broken, and the run stops naming it.
template <class T>
T& Find(TrepReport& R, const std::string& Name) {
  T* Obj = dynamic_cast<T*>(R.FindObject(Name));
  if (!Obj) throw rt::Exception("The report template has no object " + Name);
  return *Obj;
}

TrepCustomMemoView& Memo(TrepReport& R, const std::string& Name) { return Find<TrepCustomMemoView>(R, Name); }

// Text from the form or the session is data, never an expression of the report.
void Put(TrepReport& R, const std::string& Name, const std::string& Text) {
  Memo(R, Name).SetLiteralText(rt::Utf8ToUtf16(Text));
}

// Min, Norm and Max memos named Prefix + condition.
void PutTriple(TrepReport& R, const std::string& Prefix, const std::array<std::string, 3>& Texts) {
  for (int i = 0; i < 3; ++i) Put(R, Prefix + Conditions[i], Texts[static_cast<std::size_t>(i)]);
}

void ClearTriple(TrepReport& R, const std::string& Prefix) { PutTriple(R, Prefix, {}); }

// Grid row Row, columns 2 to 4.
std::array<std::string, 3> GridTriple(const TSizingReportInputs& In, int Row) {
  return {In.Cell(Row, 2), In.Cell(Row, 3), In.Cell(Row, 4)};
}

// A units memo and its three values from one grid row, columns 1 to 4.
void PutGridRow(TrepReport& R, const std::string& Units, const std::string& Prefix, const TSizingReportInputs& In,
                int Row) {
  Put(R, Units, In.Cell(Row, 1));
  PutTriple(R, Prefix, GridTriple(In, Row));
}

void SetFontSize(TrepReport& R, const std::string& Name, int Size) { Memo(R, Name).Font().SetSize(Size); }

void ShowOne(TrepReport& R, std::initializer_list<const char*> Pictures, const std::string& Shown) {
  for (const char* Name : Pictures) Find<TrepView>(R, Name).SetVisible(rt::SameText(Name, Shown));
}

// ---- The stored template's state of what the fill touches ----

struct TObjectState {
  bool Memo = false;
  std::u16string Text;
  bool AllowExpressions = true;
  int FontSize = 0;
  bool Visible = true;
};

using TTemplateState = std::map<std::string, TObjectState>;

// Read once per process from a report of its own, then only read: sessions on other threads
// restore from it at the same time.
const TTemplateState& TemplateState() {
  static const TTemplateState State = [] {
    TTemplateState S;
    TrepReport R(nullptr);
    LoadSizingTemplate(R);
    for (TrepComponent* C : R.AllObjects()) {
      if (C->Name().empty()) continue;
      TObjectState O;
      O.Visible = C->Visible();
      if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) {
        O.Memo = true;
        O.Text = M->Text();
        O.AllowExpressions = M->AllowExpressions;
        O.FontSize = M->Font().Size();
      }
      S.emplace(rt::UpperCase(C->Name()), std::move(O));
    }
    return S;
  }();
  return State;
}

}  // namespace

TReportValveCase ReportValveCase(const std::string& ValveLine, const std::string& Valvetype) {
  if (ValveLine == "Sliding Gate") return TReportValveCase::Gate;
  if (Valvetype == "Low Flow") return TReportValveCase::LowFlow;
  return TReportValveCase::Globe;
}

const std::string& TSizingReportInputs::Cell(int Row, int Col) const {
  static const std::string Empty;
  if (Row < 0 || Col < 0 || static_cast<std::size_t>(Row) >= Grid.size()) return Empty;
  const auto& R = Grid[static_cast<std::size_t>(Row)];
  return static_cast<std::size_t>(Col) < R.size() ? R[static_cast<std::size_t>(Col)] : Empty;
}

void RestoreReportTemplate(TrepReport& Report) {
  const TTemplateState& State = TemplateState();
  for (TrepComponent* C : Report.AllObjects()) {
    if (C->Name().empty()) continue;
    auto It = State.find(rt::UpperCase(C->Name()));
    if (It == State.end()) continue;
    const TObjectState& O = It->second;
    C->SetVisible(O.Visible);
    if (!O.Memo) continue;
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) {
      if (M->Text() != O.Text) M->SetText(O.Text);
      M->AllowExpressions = O.AllowExpressions;
      if (M->Font().Size() != O.FontSize) M->Font().SetSize(O.FontSize);
    }
  }
}

void FillSizingReport(TrepReport& R, const TSizingReportInputs& In) {
  const TReportValveCase Case = ReportValveCase(In.ValveLine, In.Valvetype);
  const bool Gate = Case == TReportValveCase::Gate, LowFlow = Case == TReportValveCase::LowFlow;

  // 1. Header and identification.
  Put(R, "AppVersion", In.Version);
  Put(R, "VersionDate", In.VersionDate);
  const TPrefs& P = In.Prefs;
  Put(R, "Email", P.EmailApply ? P.Email : "");
  Put(R, "SubmitBy", P.NameApply ? P.Name : "");
  Put(R, "Company", P.CompanyApply ? P.Company : "");
  Put(R, "ContactInfo", P.ContactApply ? P.Contact : "");
  Put(R, "ReportDate", P.RepDateApply ? P.RepDate : "");
  Put(R, "TagNO", In.TagNo);
  Put(R, "CustName", In.Customer);
  Put(R, "LineItem", In.LineItem);
  Put(R, "ValveType", In.ValveTypeText);
  Put(R, "FluidState", In.FluidState);
  Put(R, "FluidName", In.FluidName);

  // 2. Cv or flow.
  const bool Cv = In.CvMode;
  Put(R, "CvorFlowResultslabel", Cv ? "Calculated Cv" : "Calculated Flow");
  Put(R, "CvorFlowSelectedlabel", Cv ? "Selected Flow" : "Selected Cv");
  PutTriple(R, "CalcCvorFlow", GridTriple(In, 1));
  PutTriple(R, "SelCvorFlow", In.Flow);
  Put(R, "CvFlowCalcUnits", Cv ? "" : In.Cell(1, 1));
  Put(R, "CvFlowSelUnits", Cv ? In.SelectedFlowUnit : "");
  Put(R, "ListCvLabel", Cv ? (In.DesignCv ? "Design Cv" : "Selected Cv") : "");
  std::array<std::string, 3> ListCv;
  for (std::size_t i = 0; i < 3; ++i)
    if (Cv && !In.Flow[i].empty()) ListCv[i] = In.DesignCv ? In.DesignCvText : In.CvText;
  PutTriple(R, "ListCv", ListCv);

  // 3. Pressures and temperature.
  const std::string& Unit = In.PressureUnit;
  const std::string PUnits = PressureUnitLabel(Unit, !In.GageP, false);
  Put(R, "P1units", PUnits);
  Put(R, "P2Units", PUnits);
  Put(R, "P1Label", In.GageP ? "Inlet Pressure" : "Inlet Pressure (abs)");
  Put(R, "P2Label", In.GageP ? "Outlet Pressure" : "Outlet Pressure (abs)");
  PutTriple(R, "P1", In.P1);
  PutTriple(R, "P2", In.P2);
  Put(R, "DPactualUnits", StripPressureUnit(Unit));
  PutTriple(R, "DPactual", In.ActualDeltaP);
  Put(R, "TempUnits", In.TempUnit);
  PutTriple(R, "Temp", In.Temp);

  // 4. Fluid properties.
  if (In.FluidState == "Liquid" || In.FluidState == "Gas") {
    const bool Liquid = In.FluidState == "Liquid";
    Put(R, "VPorSHLabel", Liquid ? "Vapor Pressure" : "Specific Heat Ratio");
    Put(R, "CPorCompLabel", Liquid ? "Critical Pressure" : "Compressibility");
    const std::string PropUnit = !Liquid ? "" : Unit == "psig" ? "psia" : Unit;
    Put(R, "VPorSHUnits", PropUnit);
    Put(R, "CPorCompUnits", PropUnit);
    PutTriple(R, "VPorSH", In.VP);
    PutTriple(R, "CPorComp", In.CP);
    PutTriple(R, "SG", In.SG);
    PutTriple(R, "Visc", In.Visc);
    Put(R, "ViscUnits", "cP");
  } else {
    for (const char* Name : {"VPorSHLabel", "CPorCompLabel", "VPorSHUnits", "CPorCompUnits", "SGLabel", "ViscLabel"})
      Put(R, Name, "");
    for (const char* Prefix : {"VPorSH", "CPorComp", "SG", "Visc"}) ClearTriple(R, Prefix);
  }

  // 5. Valve and pipe.
  Put(R, "ValveSizeUnits", "in.");
  Put(R, "PipeSizeUnits", "in.");
  const std::string Size = rt::FloatToStrF(In.SelectedSize, rt::ffFixed, 15, 2);
  Put(R, "ValveSizeIn", Size);
  Put(R, "ValveSizeOut", Size);
  Put(R, "PipeSizeIn", rt::StringReplace(In.UpDiam, " in", "", rt::rfReplaceAll));
  Put(R, "PipeSizeOut", rt::StringReplace(In.DownDiam, " in", "", rt::rfReplaceAll));
  Put(R, "SchedIn", In.Schedule == "No available schedules" ? "None Available" : In.Schedule);

  // 6. By valve case.
  Put(R, "FLLabel", Gate ? (In.FluidState == "Liquid" ? "Operational FL" : "Calculated Xt") : "");
  PutTriple(R, "FL", Gate ? GridTriple(In, 9) : std::array<std::string, 3>{});
  if (LowFlow) {
    Put(R, "DPP1AbsLabel", "");
    Put(R, "DPP1AbsUnits", "");
    ClearTriple(R, "DPP1Abs");
    PutGridRow(R, "WarningsUnits", "Warnings", In, 5);
  } else {
    Put(R, "DPP1AbsLabel", "Delta P/P1Abs");
    PutGridRow(R, "DPP1AbsUnits", "DPP1Abs", In, 7);
    PutGridRow(R, "WarningsUnits", "Warnings", In, 8);
  }
  if (LowFlow) SetFontSize(R, "WarningMemo", 9);
  Put(R, "WarningMemo", rt::StringReplace(In.Notes, CrLf, " ", rt::rfReplaceAll));
  if (LowFlow)
    for (const char* Name : {"ValveSizeIn", "ValveSizeOut", "PipeSizeIn", "PipeSizeOut", "SchedIn", "NoiseLabel",
                             "DPMUnits", "ListCvLabel", "ListCvMin", "ListCvNorm", "ListCvMax"})
      Put(R, Name, "");
  std::string Header = "VXImage";
  if (In.ValveLine == "Purilane" && !Gate)
    Header = "PLimage";
  else if (LowFlow || (!Gate && In.ValveLine == "Low Flow"))
    Header = "LFImage";
  ShowOne(R, {"VXImage", "LFImage", "PLimage"}, Header);
  if (LowFlow) {
    if (Cv) {
      Put(R, "CvorFlowResultslabel", "Nominal Cv");
      Put(R, "ListCvLabel", In.LFCalcCvdisplay ? "Calculated Cv" : "");
      Put(R, "DPMaxLabel", "Trimcode");
      Put(R, "TravelLabel", "Capacity");
      PutTriple(R, "ListCv", GridTriple(In, 2));
      PutTriple(R, "DPM", GridTriple(In, 3));
      Put(R, "TravelUnits", "%");
      PutTriple(R, "Travel", GridTriple(In, 4));
    } else {
      for (const char* Name : {"ListCvLabel", "DPMaxLabel", "TravelLabel"}) Put(R, Name, "");
      for (const char* Prefix : {"ListCv", "DPM", "Travel"}) ClearTriple(R, Prefix);
      std::array<std::string, 3> Sel;
      for (int i = 0; i < 3; ++i)
        if (!In.Cell(1, i + 2).empty()) Sel[static_cast<std::size_t>(i)] = In.CvText;
      PutTriple(R, "SelCvorFlow", Sel);
    }
  }

  // 7. Characteristic, and a smaller warning where the long capacity text must fit its cell.
  const bool Rated = In.Valvetype != "Low Flow" && In.SessionCalcForCv;
  Put(R, "CvLinorEq", Rated ? (In.Linear ? "Lin" : "Eq %") : "");
  for (int i = 0; i < 3; ++i)
    SetFontSize(R, std::string("Warnings") + Conditions[i], Rated && In.Cell(8, i + 2) == CapacityExceeded ? 7 : 10);

  // 8. Gate and globe.
  if (!LowFlow) {
    Put(R, "VelUnits", "ft/s (m/s)");
    Put(R, "VelUnitsOut", "ft/s (m/s)");
    PutTriple(R, "VelIn", GridTriple(In, 4));
    PutTriple(R, "VelOut", GridTriple(In, 5));
    Put(R, "DPMUnits", StripPressureUnit(Unit));
    PutTriple(R, "DPM", GridTriple(In, 2));
    PutGridRow(R, "TravelUnits", "Travel", In, 3);
    PutGridRow(R, "NoiseUnits", "Noise", In, 6);
  }

  // 9. Fixed texts.
  Put(R, "StandardsMemo", Joined(StandardsLines, 5));
  Put(R, "SuggestionMemo", Joined(SuggestionLines, 4));
  FitPageTexts(R, "Page1");
}

void FillChartPage(TrepReport& R, const TChartPageInputs& In, std::unique_ptr<gfx::TGraphic> Chart) {
  auto& Picture = Find<TrepPictureView>(R, "Picture1");
  Picture.SetVisible(true);
  // The main line's globe valve shares the sliding gate's header, as on the data sheet.
  std::string Header = "ChartLFHeader";
  if (In.ValveLine == "Sliding Gate" || In.ValveLine == "Globe")
    Header = "ChartVXHeader";
  else if (In.ValveLine == "Purilane")
    Header = "ChartPLHeader";
  ShowOne(R, {"ChartVXHeader", "ChartPLHeader", "ChartLFHeader"}, Header);
  Put(R, "ChartCust", In.Customer);
  Put(R, "ChartUser", In.User);
  Put(R, "ChartTagNo", In.TagNo);
  Put(R, "ChartLineItem", In.LineItem);
  std::string Suggestion = "Sizing Recommendations:";
  for (const char* Line : ChartSuggestionLines) Suggestion += CrLf + std::string(Line);
  Put(R, "ChartSuggestionMemo", Suggestion);
  SetFontSize(R, "ChartSuggestionMemo", 10);
  // The key names each curve the chart has: by its Cv in Cv mode, by its condition otherwise.
  for (std::size_t i = 0; i < 3; ++i)
    Put(R, std::string(Conditions[i]) + "Cv", !In.CvTexts[i].empty() ? In.CvTexts[i] : In.Charted[i] ? Conditions[i] : "");
  Picture.Picture().SetGraphic(std::move(Chart));
  FitPageTexts(R, "Page2");
}

namespace {

bool Fits(TrepCustomMemoView& M) { return M.CalcHeight() <= M.Height(); }

}  // namespace

void FitMemoText(TrepCustomMemoView& M, int MinSize) {
  if (M.Rotation() != 0 || M.Lines().Count() == 0) return;
  M.WordWrap = true;
  gfx::TFont& F = M.Font();
  // Far more than any box of the sheets holds: a longer text is not laid out whole again and again.
  std::u16string Whole = M.Text();
  const bool Cut = Whole.size() > MaxFittedTextChars;
  if (Cut) {
    Whole.resize(MaxFittedTextChars);
    M.SetText(Whole);
  }
  if (!Cut && Fits(M)) return;
  for (int Size = F.Size() - 1; Size >= MinSize; --Size) {
    F.SetSize(Size);
    if (!Cut && Fits(M)) return;
  }
  // Longer than the box holds even at the floor: the longest head that fits, and an ellipsis.
  std::size_t Lo = 0, Hi = Whole.size();
  auto Head = [&](std::size_t N) {
    // Never between the halves of a surrogate pair.
    if (N > 0 && N < Whole.size() && Whole[N] >= 0xDC00 && Whole[N] < 0xE000) --N;
    std::u16string S = Whole.substr(0, N);
    while (!S.empty() && (S.back() == u' ' || S.back() == u'\r' || S.back() == u'\n')) S.pop_back();
    return S + u"\u2026";
  };
  while (Lo < Hi) {
    const std::size_t Mid = (Lo + Hi + 1) / 2;
    M.SetText(Head(Mid));
    if (Fits(M)) Lo = Mid;
    else Hi = Mid - 1;
  }
  M.SetText(Head(Lo));
}

void FitPageTexts(TrepReport& R, const std::string& PageName) {
  TrepComponent& Page = Find<TrepComponent>(R, PageName);
  for (TrepComponent* C : R.AllObjects()) {
    auto* M = dynamic_cast<TrepCustomMemoView*>(C);
    if (M && M->Visible() && M->Page() == &Page && !M->Text().empty()) FitMemoText(*M);
  }
}

TReportName ReportName(const std::string& Kind, const std::string& TagNo, const std::string& LineItem) {
  const std::string& Typed = rt::Trim(TagNo).empty() ? LineItem : TagNo;
  TReportName N;
  N.Title = rt::Trim(Typed).empty() ? Kind : Kind + " " + rt::Trim(Typed);
  std::string Safe;
  for (unsigned char C : Typed) {
    if (Safe.size() >= MaxFileNameTagChars) break;
    const bool Keep = std::isalnum(C) || C == ' ' || C == '-' || C == '_' || C == '.' || C == '(' || C == ')';
    if (Keep) Safe += static_cast<char>(C);
    else if (Safe.empty() || Safe.back() != '_') Safe += '_';
  }
  // No leading or trailing blanks or dots: "..", ".hidden" or "x " are no names.
  const auto Edge = [](char C) { return C == ' ' || C == '.'; };
  while (!Safe.empty() && Edge(Safe.back())) Safe.pop_back();
  std::size_t Start = 0;
  while (Start < Safe.size() && Edge(Safe[Start])) ++Start;
  Safe.erase(0, Start);
  N.FileName = (Safe.empty() ? Kind : Kind + " " + Safe) + ".pdf";
  return N;
}

void ShowOnlyPage(TrepReport& R, const std::string& PageName) {
  for (const char* Name : {"Page1", "Page2"}) Find<TrepComponent>(R, Name).SetVisible(rt::SameText(Name, PageName));
}

}  // namespace webapp
