#pragma once
// Where export output goes: a transport hands out streams by file name and takes them back.
// This is the part the export driver and the prepared pages use; the file transport writes
// local files.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"

class TrepReport;
class TrepCustomExportFilter;

enum TrepFilterAccess { faRead, faWrite };

class TrepCustomIOTransport : public rt::TComponent {
public:
  explicit TrepCustomIOTransport(rt::TComponent* AOwner = nullptr) : rt::TComponent(AOwner) {}
  ~TrepCustomIOTransport() override;

  // Takes the filter's folder, file name, extension and report; FilterAccess becomes faWrite.
  void InitFromExport(TrepCustomExportFilter* Filter);
  virtual bool OpenFilter() { return true; }
  // Closes every stream handed out.
  virtual void CloseFilter();
  // The stream of a file (FileName for an empty name). The same name with the same access gives
  // the same stream; the transport owns it until FreeStream or CloseFilter.
  virtual rt::TStream* GetStream(const std::string& aFileName = {});
  virtual void FreeStream(rt::TStream* aStream, const std::string& aFileName = {});
  // True when the transport consumed the stream itself.
  virtual bool DoFilterProcessStream(rt::TStream* aStream, rt::TObject* ProcessingObject) {
    (void)aStream;
    (void)ProcessingObject;
    return false;
  }
  // The names of the files this transport created for writing since it was opened.
  const std::vector<std::string>& CreatedFiles() const { return FCreatedFiles; }

  TrepReport* Report = nullptr;  // not owned
  bool ShowDialog = false;
  bool OverwritePrompt = false;
  std::string DefaultPath;
  std::string BasePath;
  std::string FileName;
  std::string DefaultExt;
  std::string FilterString;
  TrepFilterAccess FilterAccess = faRead;

protected:
  virtual std::unique_ptr<rt::TStream> DoCreateStream(const std::string& aFullFilePath) {
    (void)aFullFilePath;
    return nullptr;
  }

  struct TOpenStream {
    std::string Name;
    TrepFilterAccess Access;
    std::unique_ptr<rt::TStream> Stream;
  };
  std::vector<TOpenStream> FStreams;
  std::vector<std::string> FCreatedFiles;
};

// Local files: written files are created (replacing what was there), read files are opened
// read-only.
class TrepIOTransportFile : public TrepCustomIOTransport {
public:
  using TrepCustomIOTransport::TrepCustomIOTransport;

protected:
  std::unique_ptr<rt::TStream> DoCreateStream(const std::string& aFullFilePath) override;
};

// The folder part of a path with its trailing separator; empty when there is none.
std::string repExtractFilePath(const std::string& Path);
