// The export filter base: file names, the default transport and the start and finish wrappers.
#include <cstdio>
#include <filesystem>

#include "platform/rt/SysUtils.h"
#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repUtils.h"

namespace {

std::string ChangeExt(const std::string& Path, const std::string& Ext) {
  std::filesystem::path P(Path);
  P.replace_extension(Ext);
  return P.string();
}

std::string ExtractFileName(const std::string& Path) {
  const std::size_t P = Path.find_last_of("/\\");
  return P == std::string::npos ? Path : Path.substr(P + 1);
}

} // namespace

void TrepCustomExportFilter::PrepareFileName() {
  if (SlaveExport && FName.empty()) {
    std::string NewName;
    if (Report != nullptr && !Report->FileName.empty()) {
      NewName = ChangeExt(TempPath() + ExtractFileName(Report->FileName), DefaultExt);
    } else {
      // A fresh unique name; the empty file made to reserve it is not needed under the new
      // extension.
      const std::string Reserved = TempFileName();
      std::remove(Reserved.c_str());
      NewName = ChangeExt(Reserved, DefaultExt);
    }
    SetFileName(NewName);
    if (IOTransport != nullptr) IOTransport->BasePath = repExtractFilePath(NewName);
  }
  if (!FName.empty() && repExtractFilePath(FName).empty() && !DefaultPath.empty()) {
    const char Last = DefaultPath.back();
    SetFileName(Last == '/' || Last == '\\' ? DefaultPath + FName : DefaultPath + "/" + FName);
  }
}

std::unique_ptr<TrepCustomIOTransport> TrepCustomExportFilter::CreateDefaultIOTransport() {
  return std::make_unique<TrepIOTransportFile>(nullptr);
}

void TrepCustomExportFilter::ExportObject(TrepComponent* Obj) {
  (void)Obj;
  throw EAbstractError("Abstract Error");
}

bool TrepCustomExportFilter::DoStart() {
  PrepareFileName();
  return Start();
}

void TrepCustomExportFilter::DoFinish() {
  Finish();
  OpenExportedFile();
}

void TrepCustomExportFilter::SetFileName(const std::string& Value) {
  FName = Value;
  if (IOTransport != nullptr) {
    IOTransport->BasePath = repExtractFilePath(Value);
    IOTransport->FileName = Value;
  }
}

TrepCustomIOTransport* TrepCustomExportFilter::DefaultIOTransport() {
  if (!FDefaultIOTransport) FDefaultIOTransport = CreateDefaultIOTransport();
  return FDefaultIOTransport.get();
}

void TrepCustomExportFilter::SetDefaultIOTransport(std::unique_ptr<TrepCustomIOTransport> Value) {
  if (IOTransport == FDefaultIOTransport.get() && IOTransport != Value.get()) IOTransport = nullptr;
  FDefaultIOTransport = std::move(Value);
}
