#include "report/engine/repIOTransport.h"

#include <algorithm>

#include "platform/rt/SysUtils.h"
#include "report/engine/repDsgnIntf.h"

std::string repExtractFilePath(const std::string& Path) {
  const std::size_t P = Path.find_last_of("/\\");
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}

TrepCustomIOTransport::~TrepCustomIOTransport() = default;

void TrepCustomIOTransport::InitFromExport(TrepCustomExportFilter* Filter) {
  if (Filter == nullptr) return;
  DefaultPath = Filter->DefaultPath;
  DefaultExt = Filter->DefaultExt;
  FileName = Filter->FileName();
  Report = Filter->Report;
  FilterString = Filter->FilterDesc;
  OverwritePrompt = Filter->OverwritePrompt;
  BasePath = repExtractFilePath(FileName);
  if (BasePath.empty() && !DefaultPath.empty()) BasePath = DefaultPath;
  FilterAccess = faWrite;
}

void TrepCustomIOTransport::CloseFilter() {
  // Streams go last opened first; a file is whole once its stream is freed.
  while (!FStreams.empty()) FStreams.pop_back();
}

rt::TStream* TrepCustomIOTransport::GetStream(const std::string& aFileName) {
  const std::string Name = aFileName.empty() ? FileName : aFileName;
  auto It = std::find_if(FStreams.begin(), FStreams.end(), [&](const TOpenStream& S) {
    return rt::SameText(S.Name, Name);
  });
  if (It != FStreams.end()) {
    if (It->Access == FilterAccess) return It->Stream.get();
    FStreams.erase(It);
  }
  std::unique_ptr<rt::TStream> S = DoCreateStream(Name);
  if (!S) return nullptr;
  if (FilterAccess == faWrite) FCreatedFiles.push_back(Name);
  FStreams.push_back(TOpenStream{Name, FilterAccess, std::move(S)});
  return FStreams.back().Stream.get();
}

void TrepCustomIOTransport::FreeStream(rt::TStream* aStream, const std::string& aFileName) {
  (void)aFileName;
  auto It = std::find_if(FStreams.begin(), FStreams.end(), [&](const TOpenStream& S) { return S.Stream.get() == aStream; });
  if (It != FStreams.end()) FStreams.erase(It);
}

std::unique_ptr<rt::TStream> TrepIOTransportFile::DoCreateStream(const std::string& aFullFilePath) {
  if (FilterAccess == faWrite) return std::make_unique<rt::TFileStream>(aFullFilePath, rt::fmCreate);
  return std::make_unique<rt::TFileStream>(aFullFilePath, rt::fmOpenRead | rt::fmShareDenyWrite);
}
