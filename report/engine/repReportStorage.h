#pragma once
// What a report file may be wrapped in: compression and encryption by classes the application
// registers (none is registered by default), and the scrambled password of reports saved
// without a crypter.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"

class TrepReport;

// The uncompressed form of a report or prepared-pages file.
class TrepCustomCompressor : public rt::TComponent {
public:
  explicit TrepCustomCompressor(rt::TComponent* AOwner) : rt::TComponent(AOwner) {}
  ~TrepCustomCompressor() override;
  // Source is compressed: True with Stream holding the plain data; False when Source is not
  // compressed (it is then read as it stands). Raises for damaged data.
  virtual bool Decompress(rt::TStream& Source) = 0;
  // Stream's plain data, compressed, onto Dest.
  virtual void Compress(rt::TStream& Dest) = 0;
  // A memory stream for templates or without the file cache, else a temporary file.
  void CreateStream();
  rt::TStream* Stream() const { return FStream.get(); }
  bool IsRT3File = false;
  TrepReport* Report = nullptr;

protected:
  std::unique_ptr<rt::TStream> FStream;
  std::string FTempFile;
};

class TrepCustomCrypter : public rt::TComponent {
public:
  explicit TrepCustomCrypter(rt::TComponent* AOwner) : rt::TComponent(AOwner) {}
  virtual bool Decrypt(rt::TStream& Source, const std::string& Key) = 0;
  virtual void Crypt(rt::TStream& Dest, const std::string& Key) = 0;
  void CreateStream();
  rt::TStream* Stream() const { return FStream.get(); }

protected:
  std::unique_ptr<rt::TStream> FStream;
};

using TrepCompressorClass = std::function<std::unique_ptr<TrepCustomCompressor>()>;
using TrepCrypterClass = std::function<std::unique_ptr<TrepCustomCrypter>()>;
// Process-wide: set by the application at start-up, before any report is read or written.
extern TrepCompressorClass DefaultCompressorClass;
extern TrepCrypterClass DefaultCrypterClass;

// zlib compression of report files. Data that does not start with a zlib header is taken as
// plain; inflating stops at MaxReportInflatedSize, so a small file cannot unpack into gigabytes.
class TrepZLibCompressor : public TrepCustomCompressor {
public:
  static constexpr std::int64_t MaxReportInflatedSize = 64 << 20;
  using TrepCustomCompressor::TrepCustomCompressor;
  bool Decompress(rt::TStream& Source) override;
  void Compress(rt::TStream& Dest) override;
};

// Every UTF-16 code unit lowered (encode) or raised (decode) by 10, modulo 65536.
std::string EncodeReportPassword(const std::string& Password);
std::string DecodeReportPassword(const std::string& Password);

// The parent report's name as a report saved to ReportFile stores it: an absolute name (drive
// letter or '/') becomes relative to ReportFile's folder; other names stay as they are.
std::string RelativeParentReportName(const std::string& ParentReport, const std::string& ReportFile);
