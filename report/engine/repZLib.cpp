#include "report/engine/repZLib.h"

#include <algorithm>

namespace {

// The zlib the program was written for; zlib accepts any build of the same major version and
// refuses one whose stream record differs.
const char* const ZLibVersion = "1.2.1";

std::string ZLibMessage(int Code) {
  switch (Code) {
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "zlib error " + std::to_string(Code);
  }
}

int CCheck(int Code) {
  if (Code < 0) throw EZCompressionError(ZLibMessage(Code));
  return Code;
}

int DCheck(int Code) {
  if (Code < 0) throw EZDecompressionError(ZLibMessage(Code));
  return Code;
}

int ZLevel(TZCompressionLevel Level) {
  switch (Level) {
    case zcNone: return 0;
    case zcFastest: return 1;
    case zcMax: return 9;
    default: return Z_DEFAULT_COMPRESSION;
  }
}

[[noreturn]] void InvalidOperation() { throw EZCompressionError("Invalid ZStream operation!"); }

} // namespace

TCustomZStream::TCustomZStream(rt::TStream& Stream)
    : FStream(Stream), FStreamPos(Stream.Position()), FBuffer(BufferSize) {}

// ---------------------------------------------------------------------------------------------
// TZCompressionStream

TZCompressionStream::TZCompressionStream(rt::TStream& Dest, TZCompressionLevel CompressionLevel)
    : TCustomZStream(Dest) {
  FZStream.next_out = FBuffer.data();
  FZStream.avail_out = BufferSize;
  CCheck(deflateInit_(&FZStream, ZLevel(CompressionLevel), ZLibVersion, static_cast<int>(sizeof(z_stream))));
}

TZCompressionStream::~TZCompressionStream() {
  if (FFinished) return;
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report; callers that need to know call Finish themselves.
  }
}

void TZCompressionStream::Sync() {
  if (FStream.Position() != FStreamPos) FStream.SetPosition(FStreamPos);
}

std::int64_t TZCompressionStream::Read(void*, std::int64_t) { InvalidOperation(); }

std::int64_t TZCompressionStream::Write(const void* Buffer, std::int64_t Count) {
  if (FFinished) InvalidOperation();
  FZStream.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  Sync();
  std::int64_t Left = Count;
  while (Left > 0 || FZStream.avail_in > 0) {
    if (FZStream.avail_in == 0) {
      const uInt Chunk = static_cast<uInt>(std::min<std::int64_t>(Left, 1 << 30));
      FZStream.avail_in = Chunk;
      Left -= Chunk;
    }
    CCheck(deflate(&FZStream, Z_NO_FLUSH));
    if (FZStream.avail_out == 0) {
      FStream.WriteBuffer(FBuffer.data(), BufferSize);
      FZStream.next_out = FBuffer.data();
      FZStream.avail_out = BufferSize;
      FStreamPos = FStream.Position();
      Progress();
    }
  }
  return Count;
}

std::int64_t TZCompressionStream::Seek(std::int64_t Offset, rt::TSeekOrigin Origin) {
  if (Offset == 0 && Origin == rt::soCurrent) return static_cast<std::int64_t>(FZStream.total_in);
  InvalidOperation();
}

void TZCompressionStream::SetSize(std::int64_t) { InvalidOperation(); }

std::int64_t TZCompressionStream::Size() { InvalidOperation(); }

void TZCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  try {
    FZStream.next_in = nullptr;
    FZStream.avail_in = 0;
    Sync();
    while (CCheck(deflate(&FZStream, Z_FINISH)) != Z_STREAM_END) {
      FStream.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(BufferSize - FZStream.avail_out));
      FZStream.next_out = FBuffer.data();
      FZStream.avail_out = BufferSize;
    }
    if (FZStream.avail_out < BufferSize)
      FStream.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(BufferSize - FZStream.avail_out));
  } catch (...) {
    deflateEnd(&FZStream);
    throw;
  }
  deflateEnd(&FZStream);
}

float TZCompressionStream::CompressionRate() const {
  if (FZStream.total_in == 0) return 0;
  return static_cast<float>((1.0 - static_cast<double>(FZStream.total_out) / FZStream.total_in) * 100.0);
}

// ---------------------------------------------------------------------------------------------

void InflateBuffer(const void* InBuf, std::int64_t InBytes, std::int64_t OutEstimate,
                   std::vector<unsigned char>& OutBuf, std::int64_t MaxOutBytes) {
  if (InBytes < 0 || InBytes > static_cast<std::int64_t>(UINT32_MAX)) throw EZDecompressionError("buffer error");
  MaxOutBytes = std::clamp<std::int64_t>(MaxOutBytes, 0, UINT32_MAX);
  // A multiple of 256 (at least 256, so that even empty input gets a buffer to fail in).
  const std::int64_t Step = std::max<std::int64_t>((InBytes + 255) & ~std::int64_t(255), 256);
  std::int64_t OutBytes = std::min(OutEstimate > 0 ? OutEstimate : Step, MaxOutBytes);
  OutBuf.clear();
  OutBuf.resize(static_cast<std::size_t>(OutBytes));
  z_stream Z{};
  Z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuf));
  Z.avail_in = static_cast<uInt>(InBytes);
  Z.next_out = OutBuf.data();
  Z.avail_out = static_cast<uInt>(OutBytes);
  DCheck(inflateInit_(&Z, ZLibVersion, static_cast<int>(sizeof(z_stream))));
  try {
    for (;;) {
      const int Code = DCheck(inflate(&Z, Z_NO_FLUSH));
      if (Code == Z_STREAM_END) break;
      // Z_NEED_DICT: nobody here holds a preset dictionary, and asking again changes nothing.
      if (Code != Z_OK) throw EZDecompressionError("data error: the stream needs a preset dictionary");
      // Z_OK means progress; without room to fill, the next call says Z_BUF_ERROR (cut-off data).
      if (Z.avail_out > 0) continue;
      if (OutBytes >= MaxOutBytes)
        throw EZDecompressionError("data error: the data inflates to more than " +
                                   std::to_string(MaxOutBytes) + " bytes");
      const std::int64_t Grow = std::min(Step, MaxOutBytes - OutBytes);
      OutBytes += Grow;
      OutBuf.resize(static_cast<std::size_t>(OutBytes));
      Z.next_out = OutBuf.data() + Z.total_out;
      Z.avail_out = static_cast<uInt>(Grow);
    }
  } catch (...) {
    inflateEnd(&Z);
    OutBuf.clear();
    OutBuf.shrink_to_fit();
    throw;
  }
  inflateEnd(&Z);
  OutBuf.resize(Z.total_out);
}

void CompressStream(rt::TStream& Source, rt::TStream& Dest, TZCompressionLevel CompressionLevel) {
  TZCompressionStream Z(Dest, CompressionLevel);
  Source.SetPosition(0);
  std::vector<unsigned char> Buf(65536);
  for (;;) {
    const std::int64_t N = Source.Read(Buf.data(), static_cast<std::int64_t>(Buf.size()));
    if (N <= 0) break;
    Z.Write(Buf.data(), N);
  }
  Z.Finish();
}
