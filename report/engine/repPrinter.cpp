#include "report/engine/repPrinter.h"

#include <algorithm>
#include <cmath>

#include "platform/rt/SysUtils.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"

// Paper-size codes of the platform's device settings, 1 to 68 without 48 and 49, in tenths of a
// millimetre. The rows carry no names.
const TPaperInfo PaperInfo[PAPERCOUNT] = {
    {1, "", 2159, 2794},
    {2, "", 2159, 2794},
    {3, "", 2794, 4318},
    {4, "", 4318, 2794},
    {5, "", 2159, 3556},
    {6, "", 1397, 2159},
    {7, "", 1842, 2667},
    {8, "", 2970, 4200},
    {9, "", 2100, 2970},
    {10, "", 2100, 2970},
    {11, "", 1480, 2100},
    {12, "", 2500, 3540},
    {13, "", 1820, 2570},
    {14, "", 2159, 3302},
    {15, "", 2150, 2750},
    {16, "", 2540, 3556},
    {17, "", 2794, 4318},
    {18, "", 2159, 2794},
    {19, "", 984, 2254},
    {20, "", 1048, 2413},
    {21, "", 1143, 2635},
    {22, "", 1207, 2794},
    {23, "", 1270, 2921},
    {24, "", 4318, 5588},
    {25, "", 5588, 8636},
    {26, "", 8636, 11176},
    {27, "", 1100, 2200},
    {28, "", 1620, 2290},
    {29, "", 3240, 4580},
    {30, "", 2290, 3240},
    {31, "", 1140, 1620},
    {32, "", 1140, 2290},
    {33, "", 2500, 3530},
    {34, "", 1760, 2500},
    {35, "", 1760, 1250},
    {36, "", 1100, 2300},
    {37, "", 984, 1905},
    {38, "", 920, 1651},
    {39, "", 3778, 2794},
    {40, "", 2159, 3048},
    {41, "", 2159, 3302},
    {42, "", 2500, 3530},
    {43, "", 1000, 1480},
    {44, "", 2286, 2794},
    {45, "", 2540, 2794},
    {46, "", 3810, 2794},
    {47, "", 2200, 2200},
    {50, "", 2355, 3048},
    {51, "", 2355, 3810},
    {52, "", 2969, 4572},
    {53, "", 2354, 3223},
    {54, "", 2101, 2794},
    {55, "", 2100, 2970},
    {56, "", 2355, 3048},
    {57, "", 2270, 3560},
    {58, "", 3050, 4870},
    {59, "", 2159, 3223},
    {60, "", 2100, 3300},
    {61, "", 1480, 2100},
    {62, "", 1820, 2570},
    {63, "", 3220, 4450},
    {64, "", 1740, 2350},
    {65, "", 2010, 2760},
    {66, "", 4200, 5940},
    {67, "", 2970, 4200},
    {68, "", 3220, 4450},
};

bool GetPaperDimensions(int PaperSize, double& Width, double& Height) {
  for (const TPaperInfo& P : PaperInfo)
    if (P.Typ == PaperSize) {
      Width = P.X / 10.0;
      Height = P.Y / 10.0;
      return true;
    }
  return false;
}

std::recursive_mutex& PrintersLock() {
  static std::recursive_mutex Lock;
  return Lock;
}

namespace {

using TGuard = std::lock_guard<std::recursive_mutex>;

rt::TObject* NumberObject(int Number) { return reinterpret_cast<rt::TObject*>(static_cast<std::intptr_t>(Number)); }

void AddNumbered(rt::TStrings& List, const std::string& Name, int Number) { List.AddObject(Name, NumberObject(Number)); }

// The first Length characters of a UTF-8 text.
std::string CutName(const std::string& S, int Length) {
  std::size_t I = 0;
  for (int N = 0; I < S.size() && N < Length; ++N) {
    ++I;
    while (I < S.size() && (static_cast<unsigned char>(S[I]) & 0xC0) == 0x80) ++I;
  }
  return S.substr(0, I);
}

int NumberByName(const rt::TStringList& List, const std::string& Name, int Fallback) {
  if (List.Count() == 0) return Fallback;
  int I = List.IndexOf(Name);
  return NumberOfListItem(List, I < 0 ? 0 : I);
}

} // namespace

int NumberOfListItem(const rt::TStrings& List, int Index) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(List.Objects(Index)));
}

// ---------------------------------------------------------------------------------------------
// Printer canvas

int TrepPrinterFont::Height() const { return -static_cast<int>(std::lround(Size * static_cast<double>(PixelsPerInch) / 72)); }

void TrepPrinterCanvas::Changing() {
  int Resolution = FPrinter->DPI().Y;
  if (Resolution != Font.PixelsPerInch) Font.PixelsPerInch = Resolution;
}

// ---------------------------------------------------------------------------------------------
// TrepCustomPrinter

TrepCustomPrinter::TrepCustomPrinter(const std::string& AName, const std::string& APort)
    : FCanvas(std::make_unique<TrepPrinterCanvas>(this)), FName(AName), FPort(APort) {
  AddNumbered(FBins, ResourceTable().Get("prDefault"), repBinAuto);
  AddNumbered(FPapers, ResourceTable().Get("prCustom"), repPaperCustom);
}

TrepCustomPrinter::~TrepCustomPrinter() = default;

int TrepCustomPrinter::BinIndex(int ABin) const {
  TGuard G(PrintersLock());
  return FBins.IndexOfObject(NumberObject(ABin));
}

int TrepCustomPrinter::PaperIndex(int APaper) const {
  TGuard G(PrintersLock());
  return FPapers.IndexOfObject(NumberObject(APaper));
}

int TrepCustomPrinter::BinNameToNumber(const std::string& ABin) const {
  TGuard G(PrintersLock());
  return NumberByName(FBins, ABin, repBinAuto);
}

int TrepCustomPrinter::PaperNameToNumber(const std::string& APaper) const {
  TGuard G(PrintersLock());
  return NumberByName(FPapers, APaper, repPaperCustom);
}

#define LOCKED_READER(Type, Name, Field) \
  Type TrepCustomPrinter::Name() const { \
    TGuard G(PrintersLock());            \
    return Field;                        \
  }
LOCKED_READER(int, Bin, FBin)
LOCKED_READER(int, Duplex, FDuplex)
LOCKED_READER(TPrinterOrientation, DefOrientation, FDefOrientation)
LOCKED_READER(int, DefPaper, FDefPaper)
LOCKED_READER(double, DefPaperHeight, FDefPaperHeight)
LOCKED_READER(double, DefPaperWidth, FDefPaperWidth)
LOCKED_READER(int, DefDuplex, FDefDuplex)
LOCKED_READER(int, DefBin, FDefBin)
LOCKED_READER(TrepPrinterDPI, DPI, FDPI)
LOCKED_READER(std::string, FileName, FFileName)
LOCKED_READER(bool, Initialized, FInitialized)
LOCKED_READER(int, Paper, FPaper)
LOCKED_READER(double, PaperHeight, FPaperHeight)
LOCKED_READER(double, PaperWidth, FPaperWidth)
LOCKED_READER(double, LeftMargin, FLeftMargin)
LOCKED_READER(double, TopMargin, FTopMargin)
LOCKED_READER(double, RightMargin, FRightMargin)
LOCKED_READER(double, BottomMargin, FBottomMargin)
LOCKED_READER(TPrinterOrientation, Orientation, FOrientation)
LOCKED_READER(bool, Printing, FPrinting)
LOCKED_READER(std::string, Title, FTitle)
#undef LOCKED_READER

void TrepCustomPrinter::SetFileName(const std::string& Value) {
  TGuard G(PrintersLock());
  FFileName = Value;
}

void TrepCustomPrinter::SetTitle(const std::string& Value) {
  TGuard G(PrintersLock());
  FTitle = Value;
}

// ---------------------------------------------------------------------------------------------
// TrepVirtualPrinter

void TrepVirtualPrinter::Init() {
  TGuard G(PrintersLock());
  if (FInitialized) return;
  FDPI = {600, 600};
  FDefPaper = 9;
  FDefOrientation = poPortrait;
  FDefPaperWidth = 210;
  FDefPaperHeight = 297;
  for (const TPaperInfo& P : PaperInfo) AddNumbered(FPapers, P.Name, P.Typ);
  FBin = -1;
  FDuplex = -1;
  FInitialized = true;
}

void TrepVirtualPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                       TPrinterOrientation AOrientation) {
  TGuard G(PrintersLock());
  double W, H;
  if (APaperSize != repPaperCustom && GetPaperDimensions(APaperSize, W, H)) {
    if (AOrientation == poLandscape) std::swap(W, H);
    FPaper = APaperSize;
    FPaperWidth = W;
    FPaperHeight = H;
  } else {
    FPaper = repPaperCustom;
    FPaperWidth = APaperWidth;
    FPaperHeight = APaperHeight;
  }
  FOrientation = AOrientation;
  FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = 5;
}

void TrepVirtualPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                        TPrinterOrientation AOrientation, int ABin, int, int) {
  TGuard G(PrintersLock());
  SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
  FBin = ABin;
}

// ---------------------------------------------------------------------------------------------
// The platform's spooler

namespace {

class TNoSpooler : public TrepPrintSpooler {
public:
  std::vector<TPrinterEntry> EnumPrinters() override { return {}; }
  std::string DefaultPrinter() override { return {}; }
  std::unique_ptr<TrepPrinterDevice> OpenPrinter(const std::string&) override { return nullptr; }
};

} // namespace

TrepPrintSpooler& PlatformSpooler() {
  static TNoSpooler Spooler;
  return Spooler;
}

// ---------------------------------------------------------------------------------------------
// TrepPrinter

TrepPrinter::TrepPrinter(const std::string& AName, const std::string& APort, TrepPrintSpooler& Spooler)
    : TrepCustomPrinter(AName, APort), FSpooler(Spooler) {}

TrepPrinter::~TrepPrinter() = default;

void TrepPrinter::Init() {
  TGuard G(PrintersLock());
  if (FInitialized) return;
  FDevice = FSpooler.OpenPrinter(FName);
  if (!FDevice) return;
  if (!FDevice->GetDeviceMode(FMode) || !FDevice->CreateContext(FMode, false) || !UpdateDeviceCaps()) {
    FDevice.reset();
    return;
  }
  FDefPaper = FMode.Paper;
  FDefBin = FMode.DefaultSource;
  FDefDuplex = FMode.Duplex;
  FDefOrientation = FMode.Orientation == poPortrait ? poPortrait : poLandscape;
  FPaper = FDefPaper;
  FOrientation = FDefOrientation;
  FDefPaperWidth = FPaperWidth;
  FDefPaperHeight = FPaperHeight;

  std::vector<TrepDeviceEntry> Papers = FDevice->GetPapers();
  if (Papers.size() > static_cast<std::size_t>(MaxPapers)) Papers.resize(MaxPapers);
  for (const TrepDeviceEntry& P : Papers)
    if (P.Number != repPaperCustom) AddNumbered(FPapers, CutName(P.Name, PaperNameLength), P.Number);
  std::vector<TrepDeviceEntry> Bins = FDevice->GetBins();
  if (Bins.size() > static_cast<std::size_t>(MaxBins)) Bins.resize(MaxBins);
  for (const TrepDeviceEntry& B : Bins)
    if (B.Number != repBinAuto) AddNumbered(FBins, CutName(B.Name, BinNameLength), B.Number);

  FBin = -1;
  FDuplex = -1;
  FInitialized = true;
}

bool TrepPrinter::UpdateDeviceCaps() {
  TrepDeviceCaps C;
  if (!FDevice || !FDevice->GetDeviceCaps(C)) return false;
  if (C.LogPixelsX <= 0 || C.LogPixelsY <= 0) {
    ShowErrorBox("Printer selected is not valid");
    return false;
  }
  auto Mm = [](int Dots, int Dpi) { return std::nearbyint(Dots / static_cast<double>(Dpi) * 25.4); };
  FDPI = {C.LogPixelsX, C.LogPixelsY};
  FPaperHeight = Mm(C.PhysicalHeight, C.LogPixelsY);
  FPaperWidth = Mm(C.PhysicalWidth, C.LogPixelsX);
  FLeftMargin = Mm(C.PhysicalOffsetX, C.LogPixelsX);
  FTopMargin = Mm(C.PhysicalOffsetY, C.LogPixelsY);
  FRightMargin = FPaperWidth - Mm(C.HorzRes, C.LogPixelsX) - FLeftMargin;
  FBottomMargin = FPaperHeight - Mm(C.VertRes, C.LogPixelsY) - FTopMargin;
  return true;
}

bool TrepPrinter::ResetContext() { return FDevice && FDevice->CreateContext(FMode, FPrinting); }

void TrepPrinter::Abort() {
  TGuard G(PrintersLock());
  if (FDevice && FPrinting) FDevice->AbortDoc();
  EndDoc();
}

void TrepPrinter::BeginDoc() {
  TGuard G(PrintersLock());
  if (!FDevice) return;
  FPrinting = true;
  ResetContext();
  FDevice->StartDoc(FTitle.empty() ? DefaultTitle : FTitle, FFileName);
}

void TrepPrinter::BeginPage() {
  TGuard G(PrintersLock());
  if (FDevice) FDevice->StartPage();
}

void TrepPrinter::EndPage() {
  TGuard G(PrintersLock());
  if (FDevice) FDevice->EndPage();
}

void TrepPrinter::EndDoc() {
  TGuard G(PrintersLock());
  if (!FDevice) return;
  // Errors of the platform while ending are ignored.
  if (FPrinting) FDevice->EndDoc();
  FPrinting = false;
  ResetContext();
  FBin = -1;
  FDuplex = -1;
  FMode.DefaultSource = FDefBin;
  FMode.Duplex = FDefDuplex;
}

void TrepPrinter::BeginRAWDoc() {
  TGuard G(PrintersLock());
  if (FDevice) FDevice->StartRawDoc(FTitle);
}

void TrepPrinter::WriteRAWDoc(const std::string& buf) {
  TGuard G(PrintersLock());
  if (FDevice) FDevice->WriteRaw(buf);
}

void TrepPrinter::EndRAWDoc() {
  TGuard G(PrintersLock());
  if (FDevice) FDevice->EndRawDoc();
}

void TrepPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation) {
  TGuard G(PrintersLock());
  if (!FDevice) return;
  if (PaperIndex(APaperSize) == -1) APaperSize = repPaperCustom;
  if (APaperSize != repPaperCustom) {
    FMode.Paper = APaperSize;
    FMode.Orientation = AOrientation;
    if (!ResetContext() || !UpdateDeviceCaps()) return;
  } else {
    int Device = -1;
    if (PaperIndex(9) != -1) Device = 9;
    else
      for (int I = 0; I < FPapers.Count() && Device == -1; ++I)
        if (NumberOfListItem(FPapers, I) != repPaperCustom) Device = NumberOfListItem(FPapers, I);
    if (Device != -1) {
      FMode.Paper = Device;
      FMode.Orientation = AOrientation;
      if (ResetContext()) UpdateDeviceCaps();
    }
    FPaperWidth = APaperWidth;
    FPaperHeight = APaperHeight;
  }
  FPaper = APaperSize;
  FOrientation = AOrientation;
}

void TrepPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                 TPrinterOrientation AOrientation, int ABin, int ADuplex, int ACopies) {
  TGuard G(PrintersLock());
  if (!FDevice) return;
  FMode.Paper = APaperSize;
  FMode.Orientation = AOrientation;
  if (APaperSize == repPaperCustom) {
    double W = APaperWidth, H = APaperHeight;
    if (AOrientation == poLandscape) std::swap(W, H);
    FMode.PaperWidth = static_cast<int>(std::lround(W * 10));
    FMode.PaperLength = static_cast<int>(std::lround(H * 10));
  }
  FMode.Copies = ACopies;
  FMode.DefaultSource = ABin != repBinAuto ? ABin : FBin != -1 ? FBin : FDefBin;
  FMode.Duplex = FDuplex != -1 ? FDuplex : ADuplex;
  if (ResetContext() && UpdateDeviceCaps()) {
    FPaper = APaperSize;
    FOrientation = AOrientation;
  }
}

void TrepPrinter::PropertiesDlg() {
  TGuard G(PrintersLock());
  if (!FDevice) return;
  TrepDeviceMode Mode = FMode;
  if (!FDevice->PropertiesDialog(Mode)) return;
  FBin = FDefBin = Mode.DefaultSource;
  if (Mode.Duplex != FMode.Duplex) FDuplex = Mode.Duplex;
  FMode = Mode;
  ResetContext();
}

// ---------------------------------------------------------------------------------------------
// TrepPrinters

TrepPrinters::TrepPrinters() : TrepPrinters(PlatformSpooler()) {}

TrepPrinters::TrepPrinters(TrepPrintSpooler& Spooler) : FSpooler(Spooler) { FillPrinters(); }

TrepPrinters::~TrepPrinters() { Clear(); }

void TrepPrinters::Clear() {
  TGuard G(PrintersLock());
  FPrinters.Clear();
  FPrinterList.clear();
  FPrinterIndex = -1;
  FHasPhysicalPrinters = false;
}

void TrepPrinters::FillPrinters() {
  TGuard G(PrintersLock());
  Clear();
  rt::TStringList Sorted;
  Sorted.SetSorted(true);
  std::vector<std::unique_ptr<TrepCustomPrinter>> Made;
  for (const TrepPrintSpooler::TPrinterEntry& E : FSpooler.EnumPrinters()) {
    if (E.Name.empty() || Sorted.IndexOf(E.Name) != -1) continue;
    Made.push_back(std::make_unique<TrepPrinter>(E.Name, E.Port, FSpooler));
    Sorted.AddObject(E.Name, Made.back().get());
  }
  for (int I = 0; I < Sorted.Count(); ++I) {
    auto* P = static_cast<TrepCustomPrinter*>(Sorted.Objects(I));
    auto It = std::find_if(Made.begin(), Made.end(), [P](const auto& M) { return M.get() == P; });
    FPrinters.Add(Sorted[I]);
    FPrinterList.push_back(std::move(*It));
  }
  FHasPhysicalPrinters = !FPrinterList.empty();
  if (!FHasPhysicalPrinters) {
    FPrinterList.push_back(std::make_unique<TrepVirtualPrinter>(ResourceTable().Get("prVirtual"), ""));
    FPrinters.Add(FPrinterList.back()->Name());
  }
  SetPrinterIndex(-1);
}

int TrepPrinters::DefaultPrinterIndex() const {
  if (!FHasPhysicalPrinters) return 0;
  int I = IndexOf(rt::Trim(FSpooler.DefaultPrinter()));
  return I < 0 ? 0 : I;
}

int TrepPrinters::IndexOf(const std::string& AName) const {
  TGuard G(PrintersLock());
  for (int I = 0; I < FPrinters.Count(); ++I)
    if (rt::SameText(FPrinters[I], AName)) return I;
  return -1;
}

TrepCustomPrinter* TrepPrinters::GetItem(int Index) const {
  TGuard G(PrintersLock());
  if (Index < 0) return nullptr;
  if (Index >= Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FPrinterList[Index].get();
}

int TrepPrinters::Count() const {
  TGuard G(PrintersLock());
  return static_cast<int>(FPrinterList.size());
}

bool TrepPrinters::HasPhysicalPrinters() const {
  TGuard G(PrintersLock());
  return FHasPhysicalPrinters;
}

TrepCustomPrinter* TrepPrinters::Printer() const {
  TGuard G(PrintersLock());
  return GetItem(FPrinterIndex);
}

int TrepPrinters::PrinterIndex() const {
  TGuard G(PrintersLock());
  return FPrinterIndex;
}

void TrepPrinters::SetPrinterIndex(int Value) {
  TGuard G(PrintersLock());
  if (Value == -1) Value = DefaultPrinterIndex();
  if (Value < 0 || Value >= Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Value) + ")");
  FPrinterIndex = Value;
  FPrinterList[Value]->Init();
}

TrepPrinters& GetPrinters() {
  static TrepPrinters Printers;
  return Printers;
}
