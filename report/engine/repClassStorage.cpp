// The report as a file: decompression and decryption around the XML form, the run-time options
// a load must not change, the data page every report has, its collections as nested items, and
// reading and writing through I/O transports.
#include <sys/stat.h>

#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repExpression.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repRes.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"
#include "report/engine/repXMLSerializer.h"
#include "report/engine/repZLib.h"

TrepCompressorClass DefaultCompressorClass;
TrepCrypterClass DefaultCrypterClass;

// ---------------------------------------------------------------------------------------------
// Compressor and crypter bases

TrepCustomCompressor::~TrepCustomCompressor() {
  FStream.reset();
  if (!FTempFile.empty()) std::remove(FTempFile.c_str());
}

void TrepCustomCompressor::CreateStream() {
  if (IsRT3File || Report == nullptr || !Report->EngineOptions.UseFileCache) {
    FStream = std::make_unique<rt::TMemoryStream>();
    return;
  }
  FTempFile = TempFileNameIn(Report->EngineOptions.TempDir);
  FStream = std::make_unique<rt::TFileStream>(FTempFile, rt::fmCreate);
}

void TrepCustomCrypter::CreateStream() { FStream = std::make_unique<rt::TMemoryStream>(); }

bool TrepZLibCompressor::Decompress(rt::TStream& Source) {
  const std::int64_t Start = Source.Position();
  unsigned char Head[2] = {0, 0};
  const std::int64_t Got = Source.Read(Head, 2);
  Source.SetPosition(Start);
  // A zlib stream starts with deflate's method byte and a header check that is a multiple of 31.
  if (Got != 2 || (Head[0] & 0x0F) != 8 || ((Head[0] << 8) | Head[1]) % 31 != 0) return false;
  const std::int64_t Size = Source.Size() - Start;
  // Data longer than the largest stream that could unpack within the cap is refused unread.
  if (Size > MaxReportInflatedSize + MaxReportInflatedSize / 64 + 1024)
    throw EZDecompressionError("Compressed data is larger than a report may be");
  std::vector<unsigned char> In(static_cast<std::size_t>(Size));
  if (Size > 0) Source.ReadBuffer(In.data(), Size);
  std::vector<unsigned char> Out;
  InflateBuffer(In.data(), Size, 0, Out, MaxReportInflatedSize);
  if (!FStream) CreateStream();
  FStream->SetSize(0);
  if (!Out.empty()) FStream->WriteBuffer(Out.data(), static_cast<std::int64_t>(Out.size()));
  FStream->SetPosition(0);
  return true;
}

void TrepZLibCompressor::Compress(rt::TStream& Dest) {
  FStream->SetPosition(0);
  CompressStream(*FStream, Dest, zcDefault);
}

namespace {

std::string ShiftPassword(const std::string& Password, int Delta) {
  std::u16string U = rt::Utf8ToUtf16(Password);
  for (char16_t& C : U) C = static_cast<char16_t>((static_cast<unsigned>(C) + 65536u + Delta) & 0xFFFF);
  return rt::Utf16ToUtf8(U);
}

bool FileExists(const std::string& Name) {
  struct stat St {};
  return ::stat(Name.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

std::string FolderOf(const std::string& Path) {
  const auto P = Path.find_last_of("\\/");
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}

std::string FilePartOf(const std::string& Path) {
  const auto P = Path.find_last_of("\\/");
  return P == std::string::npos ? Path : Path.substr(P + 1);
}

} // namespace

std::string EncodeReportPassword(const std::string& Password) { return ShiftPassword(Password, -10); }
std::string DecodeReportPassword(const std::string& Password) { return ShiftPassword(Password, 10); }

// ---------------------------------------------------------------------------------------------
// Loading and saving

void TrepReport::LoadFromStream(rt::TStream& Stream) {
  FErrors.Clear();
  rt::TStream* Source = &Stream;
  std::unique_ptr<TrepCustomCompressor> Compressor;
  std::unique_ptr<TrepCustomCrypter> Crypter;
  bool Crypted = false;

  if (DefaultCompressorClass) {
    try {
      Compressor = DefaultCompressorClass();
      Compressor->Report = this;
      Compressor->IsRT3File = true;
      Compressor->CreateStream();
      if (Compressor->Decompress(Stream)) Source = Compressor->Stream();
    } catch (const std::exception&) {
      FErrors.Add(ResourceTable().Get("clDecompressError"));
      ReportErrors();
      return;
    }
  }
  ReportOptions.Password = ReportOptions.HiddenPassword;
  if (DefaultCrypterClass) {
    try {
      Crypter = DefaultCrypterClass();
      Crypter->CreateStream();
      Crypted = Crypter->Decrypt(*Source, rt::Utf16ToAnsi(rt::Utf8ToUtf16(ReportOptions.Password)));
      if (Crypted) Source = Crypter->Stream();
    } catch (const std::exception&) {
      FErrors.Add(ResourceTable().Get("clDecryptError"));
      ReportErrors();
      return;
    }
  }

  // What belongs to the caller, not to the file.
  EngineOptions.PrintIfEmpty = true;
  TrepEngineOptions SavedEngine;
  SavedEngine.Assign(EngineOptions);
  SavedEngine.AssignThreadProps(EngineOptions);
  TrepPreviewOptions SavedPreview;
  SavedPreview.Assign(PreviewOptions);
  const std::string SavedIniFile = IniFile;
  TrepCustomPreview* SavedPreviewControl = FPreview;
  const bool SavedOldStyleProgress = OldStyleProgress, SavedShowProgress = ShowProgress, SavedStoreInDFM = StoreInDFM;

  StreamLoaded = true;
  LoadStream = Source;
  auto Restore = [&] {
    LoadStream = nullptr;
    CheckDataPage();
    if (!EngineOptions.UseGlobalDataSetList) {
      std::vector<TrepDataSet*> Kept;
      for (int I = 0; I < FDataSets->Count(); ++I) {
        TrepDataSet* D = FDataSets->Items(I)->DataSet();
        if (D == nullptr) continue;
        if (TrepDataSetItem* E = FEnabledDataSets->Find(D->UserName()); E != nullptr && E->DataSet() != nullptr)
          D = E->DataSet();
        else if (D->Owner() != nullptr && dynamic_cast<TrepComponent*>(D->Owner()) == nullptr)
          continue;
        Kept.push_back(D);
      }
      FDataSets->Clear();
      for (TrepDataSet* D : Kept) FDataSets->Add(D);
    }
    const bool ConvertNulls = EngineOptions.ConvertNulls, IgnoreDevByZero = EngineOptions.IgnoreDevByZero,
               IgnoreExprError = EngineOptions.IgnoreExprError, DoublePass = EngineOptions.DoublePass,
               PrintIfEmpty = EngineOptions.PrintIfEmpty;
    EngineOptions.Assign(SavedEngine);
    EngineOptions.AssignThreadProps(SavedEngine);
    EngineOptions.ConvertNulls = ConvertNulls;
    EngineOptions.IgnoreDevByZero = IgnoreDevByZero;
    EngineOptions.IgnoreExprError = IgnoreExprError;
    EngineOptions.DoublePass = DoublePass;
    EngineOptions.PrintIfEmpty = PrintIfEmpty;
    const bool OutlineVisible = PreviewOptions.OutlineVisible, OutlineExpand = PreviewOptions.OutlineExpand,
               ThumbnailVisible = PreviewOptions.ThumbnailVisible;
    const int OutlineWidth = PreviewOptions.OutlineWidth, PagesInCache = PreviewOptions.PagesInCache;
    PreviewOptions.Assign(SavedPreview);
    PreviewOptions.OutlineVisible = OutlineVisible;
    PreviewOptions.OutlineExpand = OutlineExpand;
    PreviewOptions.ThumbnailVisible = ThumbnailVisible;
    PreviewOptions.OutlineWidth = OutlineWidth;
    PreviewOptions.PagesInCache = PagesInCache;
    IniFile = SavedIniFile;
    FPreview = SavedPreviewControl;
    OldStyleProgress = SavedOldStyleProgress;
    ShowProgress = SavedShowProgress;
    StoreInDFM = SavedStoreInDFM;
    if (!Crypted) ReportOptions.Password = DecodeReportPassword(ReportOptions.Password);
  };

  try {
    if (!GlobalFR2Events().OnLoad || !GlobalFR2Events().OnLoad(this, *Source)) TrepComponent::LoadFromStream(*Source);
  } catch (const rt::Exception& E) {
    StreamLoaded = false;
    if (Crypted && dynamic_cast<const TrepInvalidXMLException*>(&E) != nullptr)
      FErrors.Add("Invalid password");
    else
      FErrors.Add(E.Message());
  } catch (...) {
    Restore();
    throw;
  }
  Restore();

  if (ReportOptions.Info) {
    TrepReportOptions Info;
    Info.Assign(ReportOptions);
    Clear();
    ReportOptions.Assign(Info);
    return;
  }
  bool Accepted = Reloading || EngineOptions.EnableThreadSafe || Crypted;
  if (!Accepted) {
    try {
      Accepted = ReportOptions.CheckPassword();
    } catch (...) {
      // A refusal reported by raising must not leave the protected report behind.
      Clear();
      throw;
    }
  }
  if (!Accepted) Clear();
  else if (FErrors.Count() > 0) ReportErrors();
}

void TrepReport::SaveToStream(rt::TStream& Stream, bool SaveChildren, bool SaveDefaultValues, bool) {
  std::unique_ptr<TrepCustomCompressor> Compressor;
  std::unique_ptr<TrepCustomCrypter> Crypter;
  rt::TStream* Target = &Stream;
  if (ReportOptions.Compressed && DefaultCompressorClass) {
    Compressor = DefaultCompressorClass();
    Compressor->Report = this;
    Compressor->IsRT3File = true;
    Compressor->CreateStream();
    Target = Compressor->Stream();
  }
  if (!ReportOptions.Password.empty() && DefaultCrypterClass) {
    Crypter = DefaultCrypterClass();
    Crypter->CreateStream();
    Target = Crypter->Stream();
  }
  const std::string Password = ReportOptions.Password;
  ReportOptions.PrevPassword = Password;
  if (!Crypter) ReportOptions.Password = EncodeReportPassword(Password);
  TrepCustomPreview* SavedPreviewControl = FPreview;
  FPreview = nullptr;
  try {
    TrepComponent::SaveToStream(*Target, SaveChildren, SaveDefaultValues, false);
  } catch (...) {
    ReportOptions.Password = Password;
    FPreview = SavedPreviewControl;
    throw;
  }
  ReportOptions.Password = Password;
  FPreview = SavedPreviewControl;
  if (Crypter) {
    rt::TStream& Dest = Compressor ? *Compressor->Stream() : Stream;
    Crypter->Crypt(Dest, Password);
  }
  if (Compressor) Compressor->Compress(Stream);
}

void TrepReport::CheckDataPage() {
  for (TrepComponent* C : Objects())
    if (dynamic_cast<TrepDataPage*>(C) != nullptr) return;
  auto* Page = new TrepDataPage(nullptr);
  Page->SetParent(this);
  if (FindObject("Data") == nullptr) Page->SetName("Data");
  else Page->CreateUniqueName(this);
  Objects().Move(Objects().IndexOf(Page), 0);
  std::vector<TrepComponent*> Components;
  for (TrepComponent* C : AllObjects())
    if (dynamic_cast<TrepDialogComponent*>(C) != nullptr) Components.push_back(C);
  int Left = 60;
  for (TrepComponent* C : Components) {
    C->SetParent(Page);
    C->SetTop(20);
    C->SetLeft(Left);
    Left += 64;
  }
}

void TrepReport::WriteNestedProperties(TrepXMLItem* Item, rt::TObject* Ancestor) {
  // An inherited report writes its variables and styles as differences from its parent's.
  auto* Parent = dynamic_cast<TrepReport*>(Ancestor);
  if (FDataSets->Count() > 0) WriteCollectionToXML(FDataSets.get(), "Datasets", Item, nullptr, this);
  if (FVariables->Count() > 0)
    WriteCollectionToXML(FVariables.get(), "Variables", Item, Parent ? &Parent->Variables() : nullptr, this);
  if (FStyles->Count() > 0)
    WriteCollectionToXML(FStyles.get(), "Styles", Item, Parent ? &Parent->Styles() : nullptr, this);
}

bool TrepReport::ReadNestedProperty(TrepXMLItem* Item) {
  const std::string& N = Item->Name();
  // An inherited report holds its parent's collections already: its own file lists every
  // dataset again and its variables and styles as differences.
  const bool Inherited = FParentReportObject != nullptr;
  if (rt::Utf8CompareText(N, "Datasets") == 0) {
    if (Inherited) FDataSets->Clear();
    ReadCollectionFromXML(FDataSets.get(), Item, this);
    return true;
  }
  if (rt::Utf8CompareText(N, "Variables") == 0) {
    ReadCollectionFromXML(FVariables.get(), Item, this, Inherited);
    return true;
  }
  if (rt::Utf8CompareText(N, "Styles") == 0) {
    ReadCollectionFromXML(FStyles.get(), Item, this, Inherited);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Files and transports

bool TrepReport::ProcessIOTransport(TrepCustomIOTransport* Filter, const std::string& AFileName,
                                    TrepFilterAccess fAccess) {
  if (Filter == nullptr) return false;
  Filter->FilterAccess = fAccess;
  if (AFileName.empty() && Filter->FileName.empty()) Filter->FileName = FilePartOf(FileName);
  Filter->Report = this;
  bool Result = false;
  rt::TStream* S = nullptr;
  try {
    Result = Filter->OpenFilter();
    if (Result) {
      S = Filter->GetStream(AFileName);
      if (S != nullptr && !Filter->DoFilterProcessStream(S, this)) {
        if (fAccess == faRead) {
          LoadFromStream(*S);
          Result = StreamLoaded;
        } else {
          SaveToStream(*S, true, false, false);
        }
      }
      if (!Filter->FileName.empty()) FileName = Filter->FileName;
      if (S != nullptr) Filter->FreeStream(S, AFileName);
      S = nullptr;
    }
  } catch (...) {
    // A write that failed half way must not replace the file it was meant for.
    if (S != nullptr && fAccess == faWrite) TrepIOTransportFile::AbandonStream(S);
    Filter->CloseFilter();
    Filter->Report = nullptr;
    throw;
  }
  Filter->CloseFilter();
  Filter->Report = nullptr;
  return Result;
}

bool TrepReport::LoadFromFile(const std::string& AFileName, bool ExceptionIfNotFound) {
  Clear();
  FileName = AFileName;
  const bool Exists = FileExists(AFileName);
  if (!Exists && !ExceptionIfNotFound) return false;
  TrepIOTransportFile Transport(nullptr, true);
  const bool Loaded = ProcessIOTransport(&Transport, AFileName, faRead);
  FileName = AFileName;
  return Exists && Loaded;
}

void TrepReport::SaveToFile(const std::string& AFileName) {
  // The parent is found next to the child wherever the pair is moved.
  FParentReport = RelativeParentReportName(FParentReport, AFileName);
  TrepIOTransportFile Transport(nullptr, true);
  Transport.BasePath = FolderOf(AFileName);
  ProcessIOTransport(&Transport, AFileName, faWrite);
}

bool TrepReport::LoadFromFilter(TrepCustomIOTransport* Filter, const std::string& AFileName) {
  return ProcessIOTransport(Filter, AFileName, faRead);
}

bool TrepReport::SaveToFilter(TrepCustomIOTransport* Filter, const std::string& AFileName) {
  return ProcessIOTransport(Filter, AFileName, faWrite);
}
