// I/O transports: streams by name and access, the container tree, visibility, the registry, the
// file-dialog transport with the host's dialog, and reading a report through a transport.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

struct TTempDir {
  TTempDir() {
    Path = TempFileNameIn("");
    std::remove(Path.c_str());
    mkdir(Path.c_str(), 0700);
  }
  ~TTempDir() { std::system(("rm -rf '" + Path + "'").c_str()); }
  std::string Path;
};

bool Exists(const std::string& P) {
  struct stat St {};
  return stat(P.c_str(), &St) == 0;
}

} // namespace

TEST(Transports, StreamsByNameAndAccess) {
  Start();
  TTempDir Dir;
  TrepIOTransportFile T(nullptr, true);
  T.FilterAccess = faWrite;
  T.FileName = Dir.Path + "/a.txt";
  rt::TStream* S = T.GetStream();
  ASSERT_NE(S, nullptr);
  EXPECT_EQ(T.GetStream(Dir.Path + "/A.TXT"), S) << "names differ only in letter case";
  S->WriteBuffer("hello", 5);
  EXPECT_FALSE(Exists(Dir.Path + "/a.txt")) << "the file appears when its stream is handed back";
  T.FreeStream(S);
  EXPECT_TRUE(Exists(Dir.Path + "/a.txt"));

  T.FilterAccess = faRead;
  rt::TStream* R1 = T.GetStream();
  EXPECT_EQ(R1->Size(), 5);
  EXPECT_EQ(T.GetStream(), R1);
  T.CloseFilter();
  T.CloseFilter();  // harmless twice
  EXPECT_EQ(T.RootNode()->Count(), 0);
  EXPECT_THROW(T.GetStream(Dir.Path + "/missing.txt"), rt::EFOpenError);
}

TEST(Transports, ContainersAreMadeOnlyForWriting) {
  Start();
  TTempDir Dir;
  TrepIOTransportFile T(nullptr, true);
  T.BasePath = Dir.Path + "/";
  T.FilterAccess = faRead;
  T.CreateContainer("sub", false);
  EXPECT_FALSE(Exists(Dir.Path + "/sub"));
  T.FilterAccess = faWrite;
  T.CreateContainer("made", false);
  EXPECT_TRUE(Exists(Dir.Path + "/made"));
  rt::TStream* S = T.GetStream(Dir.Path + "/deep/file.bin");
  ASSERT_NE(S, nullptr);
  T.CloseFilter();
  EXPECT_TRUE(Exists(Dir.Path + "/deep/file.bin"));

  // A temporary container goes with everything in it.
  TrepIOTransportFile Temp(nullptr, true);
  Temp.FilterAccess = faWrite;
  Temp.CreateTempContainer();
  const std::string Folder = Temp.BasePath;
  EXPECT_TRUE(Exists(Folder));
  Temp.GetStream(Folder + "/x.bin")->WriteBuffer("x", 1);
  Temp.FreeTempContainer();
  EXPECT_FALSE(Exists(Folder));
}

TEST(Transports, NodesCountFilesAndKeepNameOrder) {
  TrepNode Root;
  TrepNode* B = Root.Add("b", nullptr);
  Root.Add("A", nullptr);
  B->SetOriginalName("b/file");
  EXPECT_EQ(Root.GetNode(0)->Name(), "A");
  EXPECT_EQ(Root.FilesCount(), 1);
  EXPECT_EQ(Root.Find("B", false), B);
  std::unique_ptr<TrepNode> Taken = Root.RemoveNode(B);
  EXPECT_EQ(Root.FilesCount(), 0);
  EXPECT_EQ(Root.Count(), 1);
}

TEST(Transports, VisibilityAndTheRegistry) {
  Start();
  TrepIOTransportFile File(nullptr, true);
  File.SetVisibility(TrepFilterVisibility{fvExport});
  EXPECT_TRUE(File.GetVisibility().Empty()) << "the file transport is offered nowhere";
  TrepSaveToCompressedFilter Compressed(nullptr, true);
  EXPECT_EQ(Compressed.GetVisibility(), (TrepFilterVisibility{fvDesignerFileFilter, fvPreviewFileFilter}));
  EXPECT_EQ(Compressed.DefaultExt, ".rp3");

  const int Before = IOTransports().Count();
  {
    TrepSaveToCompressedFilter Registered(nullptr);
    EXPECT_EQ(IOTransports().Count(), Before + 1);
    IOTransports().Register(&Registered);
    EXPECT_EQ(IOTransports().Count(), Before + 1) << "registering twice keeps one entry";
    EXPECT_EQ(IOTransports().FindByDescription(Registered.GetDescription()), &Registered);
    rt::TStringList List;
    FillIOTransportList(List, fvPreviewFileFilter);
    EXPECT_GE(List.IndexOfObject(&Registered), 0);
    FillIOTransportList(List, fvExport);
    EXPECT_LT(List.IndexOfObject(&Registered), 0);
  }
  EXPECT_EQ(IOTransports().Count(), Before) << "a freed transport leaves the registry";
  EXPECT_EQ(FileFilterState(fvPreview), fvPreviewFileFilter);
  EXPECT_EQ(FileFilterState(fvOther), fvOther);
}

TEST(Transports, StartUpRegistersOneFileDialogTransport) {
  Start();
  repIOTransportDialogInitialization();
  repIOTransportDialogInitialization();
  int Dialogs = 0;
  for (TrepCustomIOTransport* T : IOTransports().Items())
    if (dynamic_cast<TrepIOTransportFileDialog*>(T) != nullptr) ++Dialogs;
  EXPECT_EQ(Dialogs, 1);
  ASSERT_TRUE(DefaultIODialogTransportClass);
  std::unique_ptr<TrepCustomIOTransport> Made(DefaultIODialogTransportClass());
  EXPECT_NE(dynamic_cast<TrepIOTransportFileDialog*>(Made.get()), nullptr);
  EXPECT_EQ(IOTransports().FindByDescription("File") != nullptr, true);
  repIOTransportDialogFinalization();
}

TEST(Transports, TheFileDialogAsksTheHostAndMayHandTheWorkOn) {
  Start();
  TTempDir Dir;
  TrepIOTransportFileDialog Dialog(nullptr, true);
  Dialog.FilterAccess = faWrite;
  Dialog.FilterString = "Report (*.rt3)|*.rt3";
  Dialog.FileName = Dir.Path + "/report.rt3";
  TrepIOTransportFileDialog::SetFileDialogHandler(nullptr);
  EXPECT_FALSE(Dialog.OpenFilter()) << "no dialog counts as cancelled";

  TrepSaveToCompressedFilter Other(nullptr);  // registered: offered in the designer's list
  Dialog.CreatedFrom = fvDesigner;
  std::string Filter;
  TrepIOTransportFileDialog::SetFileDialogHandler([&](TrepFileDialogRequest& R) {
    Filter = R.Filter;
    EXPECT_TRUE(R.Save);
    EXPECT_EQ(R.FileName, "report");
    R.ChosenFile = Dir.Path + "/chosen.rt3";
    R.FilterIndex = 2;
    return true;
  });
  ASSERT_TRUE(Dialog.OpenFilter());
  EXPECT_EQ(Filter.rfind("Report (*.rt3)|*.rt3|", 0), 0u) << Filter;
  ASSERT_NE(Dialog.ChosenFilter(), nullptr);
  EXPECT_EQ(Dialog.FileName, Dir.Path + "/chosen.rp3");
  rt::TStream* S = Dialog.GetStream();
  EXPECT_NE(Dialog.ChosenFilter()->RootNode()->Find(S, true), nullptr) << "the clone serves the stream";
  Dialog.FreeStream(S);
  Dialog.CloseFilter();
  EXPECT_TRUE(Exists(Dir.Path + "/chosen.rp3"));
  TrepIOTransportFileDialog::SetFileDialogHandler(nullptr);
}

TEST(Transports, AReportReadsAndWritesThroughATransport) {
  Start();
  TTempDir Dir;
  TrepReport R(nullptr);
  (new TrepReportPage(&R))->SetName("Page1");
  TrepSaveToCompressedFilter T(nullptr, true);
  EXPECT_TRUE(R.SaveToFilter(&T, Dir.Path + "/r.rp3"));
  EXPECT_TRUE(R.ReportOptions.Compressed) << "the compressed transport asks for compression";
  EXPECT_TRUE(Exists(Dir.Path + "/r.rp3"));
  TrepReport Back(nullptr);
  TrepIOTransportFile F(nullptr, true);
  EXPECT_TRUE(Back.LoadFromFilter(&F, Dir.Path + "/r.rp3"));
  EXPECT_NE(Back.FindObject("Page1"), nullptr);
  EXPECT_FALSE(Back.ProcessIOTransport(nullptr, "", faRead));
}
