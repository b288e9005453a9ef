#pragma once
// A thin layer over zlib: a write-only compressing stream, whole-buffer inflation and the
// compression of one stream into another. Every zlib failure raises with zlib's message.
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

RT_DECLARE_EXCEPTION(EZLibError, rt::Exception)
RT_DECLARE_EXCEPTION(EZCompressionError, EZLibError)
RT_DECLARE_EXCEPTION(EZDecompressionError, EZLibError)

enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

class TCustomZStream : public rt::TStream {
public:
  TCustomZStream(const TCustomZStream&) = delete;
  TCustomZStream& operator=(const TCustomZStream&) = delete;
  // Runs after each full buffer reaches the target stream.
  std::function<void(rt::TObject*)> OnProgress;

protected:
  explicit TCustomZStream(rt::TStream& Stream);
  void Progress() {
    if (OnProgress) OnProgress(this);
  }
  static constexpr std::size_t BufferSize = 65536;
  rt::TStream& FStream;
  std::int64_t FStreamPos;
  z_stream FZStream{};
  std::vector<unsigned char> FBuffer;
};

// Compresses what is written into a zlib stream in Dest, from Dest's position at creation on.
// Finish (or the destructor) ends the zlib stream; only Finish reports failures.
class TZCompressionStream : public TCustomZStream {
public:
  TZCompressionStream(rt::TStream& Dest, TZCompressionLevel CompressionLevel = zcDefault);
  ~TZCompressionStream() override;

  // EZCompressionError "Invalid ZStream operation!".
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // Only (0, soCurrent): the number of bytes written so far.
  std::int64_t Seek(std::int64_t Offset, rt::TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  std::int64_t Size() override;

  void Finish();
  // (1 - compressed / uncompressed) x 100; 0 before anything was written.
  float CompressionRate() const;

private:
  void Sync();
  bool FFinished = false;
};

// What a stream may inflate to unless the caller names its own cap: the engine's compressed
// resources, fonts and pictures are a few megabytes at most.
constexpr std::int64_t DefaultMaxInflatedSize = 64 << 20;

// Inflates a whole zlib stream; OutEstimate 0 starts from the input size rounded up to 256.
// EZDecompressionError when the output would pass MaxOutBytes, when the stream asks for a preset
// dictionary, and for damaged or cut-off data.
void InflateBuffer(const void* InBuf, std::int64_t InBytes, std::int64_t OutEstimate,
                   std::vector<unsigned char>& OutBuf, std::int64_t MaxOutBytes = DefaultMaxInflatedSize);
// The zlib stream of the whole of Source (read from its beginning), written at Dest's position.
void CompressStream(rt::TStream& Source, rt::TStream& Dest, TZCompressionLevel CompressionLevel = zcDefault);
