#include "report/engine/repGZip.h"

#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repZLib.h"

void InflateGZipMember(rt::TStream& Source, rt::TStream& Dest, std::string& FileName,
                       std::int64_t MaxOutBytes) {
  auto Fail = [] { throw EZDecompressionError("data error"); };
  unsigned char Head[10];
  if (Source.Read(Head, 10) != 10) Fail();
  if (Head[0] != 0x1F || Head[1] != 0x8B || Head[2] != 0x08) Fail();
  const unsigned char Flags = Head[3];
  // Only the file name among the optional fields; the others would be taken for data.
  std::string Name;
  if (Flags & 0x08) {
    for (;;) {
      unsigned char C;
      if (Source.Read(&C, 1) != 1) Fail();
      if (C == 0) break;
      Name += static_cast<char>(C);
    }
  }
  const std::int64_t Start = Source.Position();
  const std::int64_t DataSize = Source.Size() - 8 - Start;
  if (DataSize < 0) Fail();
  // A zlib stream: header 78 DA, the raw deflate data, and the checksum from the time field.
  std::vector<unsigned char> Z(static_cast<std::size_t>(DataSize) + 6);
  Z[0] = 0x78;
  Z[1] = 0xDA;
  Source.ReadBuffer(Z.data() + 2, DataSize);
  for (int K = 0; K < 4; ++K) Z[static_cast<std::size_t>(DataSize) + 2 + K] = Head[4 + K];
  std::vector<unsigned char> Out;
  InflateBuffer(Z.data(), static_cast<std::int64_t>(Z.size()), 0, Out, MaxOutBytes);
  Dest.WriteBuffer(Out.data(), static_cast<std::int64_t>(Out.size()));
  FileName = rt::Utf16ToUtf8(rt::AnsiToUtf16(Name));
}
