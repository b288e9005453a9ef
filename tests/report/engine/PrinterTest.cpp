// Paper table, the virtual printer, printers of a spooler and the process-wide printer list.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

class PrinterTest : public ::testing::Test {
protected:
  void SetUp() override { enginesetup::StartResources(); }
};

// A spooler with printers of our own making: each device reports what its settings ask for.
struct TFakeDevice : TrepPrinterDevice {
  TrepDeviceCaps Caps{600, 600, 4960, 7016, 100, 120, 4760, 6776};  // A4 at 600 dpi
  std::vector<TrepDeviceEntry> Papers, Bins;
  bool HasMode = true;
  std::map<int, std::pair<int, int>> PaperDots;  // paper number -> physical width, height
  TrepDeviceMode Mode;
  std::vector<std::string>* Log;

  bool GetDeviceMode(TrepDeviceMode& M) override {
    if (!HasMode) return false;
    M = TrepDeviceMode{9, poPortrait, 0, 0, 15, 1, 1};
    return true;
  }
  bool CreateContext(const TrepDeviceMode& M, bool ForPrinting) override {
    Mode = M;
    Log->push_back(ForPrinting ? "dc" : "ic");
    auto It = PaperDots.find(M.Paper);
    if (It != PaperDots.end()) {
      auto [W, H] = It->second;
      if (M.Orientation == poLandscape) std::swap(W, H);
      Caps.PhysicalWidth = W;
      Caps.PhysicalHeight = H;
    }
    return true;
  }
  bool GetDeviceCaps(TrepDeviceCaps& C) override {
    C = Caps;
    return true;
  }
  std::vector<TrepDeviceEntry> GetPapers() override { return Papers; }
  std::vector<TrepDeviceEntry> GetBins() override { return Bins; }
  bool StartDoc(const std::string& Title, const std::string& File) override {
    Log->push_back("start " + Title + " " + File);
    return true;
  }
  bool StartPage() override { return true; }
  bool EndPage() override { return true; }
  bool EndDoc() override {
    Log->push_back("end");
    return true;
  }
  bool AbortDoc() override { return true; }
  bool StartRawDoc(const std::string&) override { return true; }
  bool WriteRaw(const std::string&) override { return true; }
  bool EndRawDoc() override { return true; }
  bool PropertiesDialog(TrepDeviceMode&) override { return false; }
};

struct TFakeSpooler : TrepPrintSpooler {
  std::vector<TPrinterEntry> Entries;
  std::string Default;
  std::function<void(TFakeDevice&)> Setup;
  std::vector<std::string> Log;

  std::vector<TPrinterEntry> EnumPrinters() override { return Entries; }
  std::string DefaultPrinter() override { return Default; }
  std::unique_ptr<TrepPrinterDevice> OpenPrinter(const std::string& Name) override {
    Log.push_back("open " + Name);
    if (Name == "Offline") return nullptr;
    auto D = std::make_unique<TFakeDevice>();
    D->Log = &Log;
    D->Papers = {{9, "A4"}, {1, "Letter"}, {256, "User size"}};
    D->Bins = {{7, "Automatic"}, {15, "Tray 1"}};
    D->PaperDots = {{9, {4960, 7016}}, {1, {5100, 6600}}};
    if (Setup) Setup(*D);
    return D;
  }
};

std::vector<std::string> Names(const rt::TStrings& L) { return std::vector<std::string>(L.begin(), L.end()); }

} // namespace

TEST_F(PrinterTest, PaperTableHoldsTheStandardSizes) {
  ASSERT_EQ(PAPERCOUNT, 66);
  int Expected = 1;
  for (const TPaperInfo& P : PaperInfo) {
    if (Expected == 48) Expected = 50;
    EXPECT_EQ(P.Typ, Expected++);
    EXPECT_STREQ(P.Name, "");
  }
  struct Case {
    int Paper;
    bool Found;
    double Width, Height;
  } Cases[] = {
      {1, true, 215.9, 279.4},  {4, true, 431.8, 279.4},  {9, true, 210, 297},     {11, true, 148, 210},
      {12, true, 250, 354},     {19, true, 98.4, 225.4},  {35, true, 176, 125},    {37, true, 98.4, 190.5},
      {39, true, 377.8, 279.4}, {47, true, 220, 220},     {50, true, 235.5, 304.8}, {53, true, 235.4, 322.3},
      {66, true, 420, 594},     {68, true, 322, 445},     {0, false, 0, 0},        {48, false, 0, 0},
      {49, false, 0, 0},        {69, false, 0, 0},        {256, false, 0, 0},      {-9, false, 0, 0},
  };
  for (const Case& C : Cases) {
    double W = -1, H = -1;
    EXPECT_EQ(GetPaperDimensions(C.Paper, W, H), C.Found) << C.Paper;
    EXPECT_DOUBLE_EQ(W, C.Found ? C.Width : -1) << C.Paper;
    EXPECT_DOUBLE_EQ(H, C.Found ? C.Height : -1) << C.Paper;
  }
}

TEST_F(PrinterTest, VirtualPrinterDefaults) {
  TrepVirtualPrinter P("Virtual", "");
  EXPECT_FALSE(P.Initialized());
  EXPECT_EQ(Names(P.Papers()), std::vector<std::string>{"Custom"});
  EXPECT_EQ(P.Bins().Count(), 1);
  EXPECT_EQ(NumberOfListItem(P.Bins(), 0), 7);
  P.Init();
  P.Init();  // once
  EXPECT_TRUE(P.Initialized());
  EXPECT_EQ(P.DPI().X, 600);
  EXPECT_EQ(P.DPI().Y, 600);
  EXPECT_EQ(P.DefPaper(), 9);
  EXPECT_EQ(P.DefOrientation(), poPortrait);
  EXPECT_EQ(P.DefPaperWidth(), 210);
  EXPECT_EQ(P.DefPaperHeight(), 297);
  EXPECT_EQ(P.Bin(), -1);
  EXPECT_EQ(P.Duplex(), -1);
  ASSERT_EQ(P.Papers().Count(), 67);
  EXPECT_EQ(NumberOfListItem(P.Papers(), 0), 256);
  for (int I = 0; I < PAPERCOUNT; ++I) EXPECT_EQ(NumberOfListItem(P.Papers(), I + 1), PaperInfo[I].Typ);

  struct Case {
    int Paper, Index;
  } Indexes[] = {{256, 0}, {1, 1}, {9, 9}, {47, 47}, {50, 48}, {68, 66}, {48, -1}, {0, -1}};
  for (const Case& C : Indexes) EXPECT_EQ(P.PaperIndex(C.Paper), C.Index) << C.Paper;
  EXPECT_EQ(P.PaperNameToNumber("custom"), 256);
  EXPECT_EQ(P.PaperNameToNumber("No such paper"), 256) << "the first entry";
  EXPECT_EQ(P.PaperNameToNumber(""), 1) << "the table's rows have no names";
  EXPECT_EQ(P.BinIndex(7), 0);
  EXPECT_EQ(P.BinIndex(15), -1);
  EXPECT_EQ(P.BinNameToNumber("Tray 9"), 7);
}

TEST_F(PrinterTest, VirtualPrinterPapers) {
  struct Case {
    int Paper;
    double Width, Height;
    TPrinterOrientation Orientation;
    int PaperAfter;
    double WidthAfter, HeightAfter;
  } Cases[] = {
      {9, 1, 2, poPortrait, 9, 210, 297},
      {9, 1, 2, poLandscape, 9, 297, 210},
      {4, 0, 0, poPortrait, 4, 431.8, 279.4},
      {4, 0, 0, poLandscape, 4, 279.4, 431.8},
      {48, 100, 150, poPortrait, 256, 100, 150},
      {256, 100, 150, poLandscape, 256, 100, 150},  // custom sizes are taken as given
      {300, 80.5, 90.25, poPortrait, 256, 80.5, 90.25},
  };
  TrepVirtualPrinter P("Virtual", "");
  P.Init();
  for (const Case& C : Cases) {
    P.SetViewParams(C.Paper, C.Width, C.Height, C.Orientation);
    EXPECT_EQ(P.Paper(), C.PaperAfter) << C.Paper;
    EXPECT_DOUBLE_EQ(P.PaperWidth(), C.WidthAfter) << C.Paper;
    EXPECT_DOUBLE_EQ(P.PaperHeight(), C.HeightAfter) << C.Paper;
    EXPECT_EQ(P.Orientation(), C.Orientation) << C.Paper;
    for (double M : {P.LeftMargin(), P.TopMargin(), P.RightMargin(), P.BottomMargin()}) EXPECT_EQ(M, 5);
  }
  P.SetPrintParams(11, 0, 0, poLandscape, 15, 2, 3);
  EXPECT_EQ(P.Paper(), 11);
  EXPECT_EQ(P.PaperWidth(), 210);
  EXPECT_EQ(P.PaperHeight(), 148);
  EXPECT_EQ(P.Bin(), 15);
  EXPECT_EQ(P.Duplex(), -1) << "duplex does not apply";
  EXPECT_EQ(P.DefPaper(), 9) << "the defaults stay";
}

TEST_F(PrinterTest, PrinterCanvasFontFollowsTheDeviceResolution) {
  TrepVirtualPrinter P("Virtual", "");
  P.Init();
  TrepPrinterCanvas& C = *P.Canvas();
  EXPECT_EQ(C.Printer(), &P);
  C.Font.Size = 12;
  EXPECT_EQ(C.Font.Height(), -16);
  C.Changing();
  EXPECT_EQ(C.Font.Size, 12);
  EXPECT_EQ(C.Font.PixelsPerInch, 600);
  EXPECT_EQ(C.Font.Height(), -100);
}

TEST_F(PrinterTest, MachineWithoutPrintersListsTheVirtualPrinter) {
  TrepPrinters L;
  EXPECT_FALSE(L.HasPhysicalPrinters());
  ASSERT_EQ(L.Count(), 1);
  EXPECT_EQ(Names(L.Printers()), std::vector<std::string>{ResourceTable().Get("prVirtual")});
  EXPECT_EQ(L.PrinterIndex(), 0);
  ASSERT_NE(dynamic_cast<TrepVirtualPrinter*>(L.Printer()), nullptr);
  EXPECT_TRUE(L.Printer()->Initialized()) << "selecting initialises";
  EXPECT_EQ(L.IndexOf(rt::UpperCase(L.Printer()->Name())), 0);
  EXPECT_EQ(L.IndexOf("Laser"), -1);
  EXPECT_EQ(L.GetItem(-1), nullptr);
  EXPECT_THROW(L.GetItem(1), rt::EListError);
  L.SetPrinterIndex(-1);
  EXPECT_EQ(L.PrinterIndex(), 0);
  EXPECT_THROW(L.SetPrinterIndex(1), rt::EListError);
  EXPECT_EQ(L.PrinterIndex(), 0);
  L.FillPrinters();
  EXPECT_EQ(L.Count(), 1) << "filling again keeps a printer to answer";
  EXPECT_NE(L.Printer(), nullptr);
  L.Clear();
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.Printer(), nullptr);
}

TEST_F(PrinterTest, SpoolerPrintersAreOrderedByNameAndTheDefaultIsSelected) {
  struct Case {
    std::string Default;
    int Index;
  } Cases[] = {{"  laser ", 1}, {"Offline", 2}, {"Gone", 0}, {"", 0}};
  for (const Case& C : Cases) {
    TFakeSpooler S;
    S.Entries = {{"Offline", "LPT1:"}, {"Laser", "USB001"}, {"Ink", "USB002"}, {"laser", "dup"}};
    S.Default = C.Default;
    TrepPrinters L(S);
    EXPECT_TRUE(L.HasPhysicalPrinters());
    EXPECT_EQ(Names(L.Printers()), (std::vector<std::string>{"Ink", "Laser", "Offline"}));
    EXPECT_EQ(L.PrinterIndex(), C.Index) << C.Default;
    EXPECT_EQ(L.Items(1)->Port(), "USB001");
    EXPECT_TRUE(L.Printer()->Initialized() || L.Printer()->Name() == "Offline");
    EXPECT_FALSE(L.Items(C.Index == 0 ? 1 : 0)->Initialized()) << "only the selected printer is opened";
  }
  TFakeSpooler S;
  S.Entries = {{"Offline", "LPT1:"}};
  TrepPrinters L(S);
  EXPECT_FALSE(L.Printer()->Initialized()) << "a printer the spooler cannot open stays uninitialised";
  L.Printer()->SetViewParams(9, 0, 0, poPortrait);
  L.Printer()->BeginDoc();
  EXPECT_EQ(L.Printer()->Paper(), 0);
  EXPECT_FALSE(L.Printer()->Printing());
}

TEST_F(PrinterTest, SpoolerPrinterReadsItsDevice) {
  TFakeSpooler S;
  S.Entries = {{"Laser", "USB001"}};
  S.Setup = [](TFakeDevice& D) {
    for (int I = 0; I < 600; ++I) D.Papers.push_back({1000 + I, "Paper"});
    D.Papers.push_back({2000, "Beyond the buffer"});
    D.Bins.push_back({16, "A tray name longer than twenty-four"});
  };
  TrepPrinters L(S);
  TrepCustomPrinter& P = *L.Printer();
  ASSERT_TRUE(P.Initialized());
  EXPECT_EQ(P.DPI().X, 600);
  EXPECT_EQ(P.PaperWidth(), 210);   // 4960 dots
  EXPECT_EQ(P.PaperHeight(), 297);  // 7016 dots
  EXPECT_EQ(P.LeftMargin(), 4);     // 100 dots = 4.23 mm
  EXPECT_EQ(P.TopMargin(), 5);      // 120 dots = 5.08 mm
  EXPECT_EQ(P.RightMargin(), 210 - 202 - 4);  // printable 4760 dots = 201.5 mm
  EXPECT_EQ(P.BottomMargin(), 297 - 287 - 5);
  EXPECT_EQ(P.DefPaper(), 9);
  EXPECT_EQ(P.DefPaperWidth(), 210);
  EXPECT_EQ(P.DefBin(), 15);
  EXPECT_EQ(P.Bin(), -1);
  // "Custom", then the device's papers without its own custom entry, of the first 512 it lists.
  ASSERT_EQ(P.Papers().Count(), 1 + 2 + 509);
  EXPECT_EQ(P.Papers()[1], "A4");
  EXPECT_EQ(P.PaperIndex(256), 0);
  EXPECT_EQ(P.PaperIndex(2000), -1);
  EXPECT_EQ(P.PaperNameToNumber("letter"), 1);
  EXPECT_EQ(Names(P.Bins()), (std::vector<std::string>{"prDefault", "Tray 1", "A tray name longer than "}));
  EXPECT_EQ(P.BinNameToNumber("Tray 1"), 15);

  P.SetViewParams(1, 0, 0, poLandscape);
  EXPECT_EQ(P.Paper(), 1);
  EXPECT_EQ(P.PaperWidth(), 279);  // 6600 dots across in landscape
  EXPECT_EQ(P.PaperHeight(), 216);
  P.SetViewParams(5, 120, 130, poPortrait);  // not listed: a custom size on paper 9
  EXPECT_EQ(P.Paper(), 256);
  EXPECT_EQ(P.PaperWidth(), 120);
  EXPECT_EQ(P.PaperHeight(), 130);

  S.Log.clear();
  P.SetTitle("");
  P.SetFileName("/tmp/out.prn");
  P.BeginDoc();
  EXPECT_TRUE(P.Printing());
  P.EndDoc();
  EXPECT_FALSE(P.Printing());
  EXPECT_EQ(S.Log, (std::vector<std::string>{"dc", "start Report /tmp/out.prn", "end", "ic"}));
}

TEST_F(PrinterTest, DeviceWithoutResolutionIsNotValid) {
  TFakeSpooler S;
  S.Entries = {{"Broken", ""}, {"Plotter", ""}};
  S.Default = "Plotter";
  S.Setup = [](TFakeDevice& D) { D.Caps.LogPixelsY = 0; };
  testing::internal::CaptureStderr();
  TrepPrinters L(S);
  std::string Err = testing::internal::GetCapturedStderr();
  EXPECT_NE(Err.find("Printer selected is not valid"), std::string::npos);
  EXPECT_EQ(L.Printer()->Name(), "Plotter");
  EXPECT_FALSE(L.Printer()->Initialized());
  EXPECT_EQ(L.Printer()->DPI().X, 0) << "sizes are kept";
}

TEST_F(PrinterTest, ListIsMadeOnceWhenManyThreadsAskAtOnce) {
  constexpr int Threads = 16;
  std::atomic<int> Ready{0};
  std::vector<TrepPrinters*> Seen(Threads);
  std::vector<std::thread> Pool;
  for (int T = 0; T < Threads; ++T)
    Pool.emplace_back([&, T] {
      ++Ready;
      while (Ready < Threads) std::this_thread::yield();
      Seen[T] = &GetPrinters();
      // Page defaults as a report run reads them.
      std::lock_guard<std::recursive_mutex> G(PrintersLock());
      TrepCustomPrinter* P = Seen[T]->Printer();
      if (!P || P->DefPaper() != 9 || P->DefPaperWidth() != 210) Seen[T] = nullptr;
    });
  for (std::thread& T : Pool) T.join();
  for (TrepPrinters* P : Seen) EXPECT_EQ(P, &GetPrinters());
  EXPECT_EQ(GetPrinters().Count(), 1);
  EXPECT_FALSE(GetPrinters().HasPhysicalPrinters());
}

TEST_F(PrinterTest, PaperChangeAndReadStayTogetherUnderTheLock) {
  struct Case {
    int Paper;
    TPrinterOrientation Orientation;
  } Cases[] = {{9, poPortrait}, {9, poLandscape}, {8, poPortrait}, {1, poLandscape}, {256, poPortrait}};
  constexpr int Threads = 8, Rounds = 400;
  std::atomic<int> Wrong{0};
  std::vector<std::thread> Pool;
  for (int T = 0; T < Threads; ++T)
    Pool.emplace_back([&, T] {
      for (int R = 0; R < Rounds; ++R) {
        const Case& C = Cases[(T + R) % std::size(Cases)];
        double W = 100 + T, H = 200 + T;
        if (C.Paper != 256) {
          GetPaperDimensions(C.Paper, W, H);
          if (C.Orientation == poLandscape) std::swap(W, H);
        }
        std::lock_guard<std::recursive_mutex> G(PrintersLock());
        TrepCustomPrinter* P = GetPrinters().Printer();
        P->SetViewParams(C.Paper, 100 + T, 200 + T, C.Orientation);
        std::this_thread::yield();
        if (P->Paper() != C.Paper || P->PaperWidth() != W || P->PaperHeight() != H ||
            P->Orientation() != C.Orientation)
          ++Wrong;
      }
    });
  for (std::thread& T : Pool) T.join();
  EXPECT_EQ(Wrong, 0);
}
