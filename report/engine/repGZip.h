#pragma once
// The engine's compressed resources: gzip members whose time field carries the Adler-32
// checksum of the uncompressed data (most significant byte first).
#include <cstdint>
#include <string>

#include "platform/rt/Classes.h"
#include "report/engine/repZLib.h"

// Unpacks the member at Source's position into Dest; FileName receives the stored file name
// (empty when none). EZDecompressionError for data that is not such a member, and for data that
// unpacks to more than MaxOutBytes.
void InflateGZipMember(rt::TStream& Source, rt::TStream& Dest, std::string& FileName,
                       std::int64_t MaxOutBytes = DefaultMaxInflatedSize);
