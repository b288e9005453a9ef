// The cost protection and PDF/A add to one document: preparing the keys (101 MD5 and 40 RC4
// runs), encrypting a page's content stream, and making the XMP metadata. No target is set;
// these show that neither adds anything noticeable to an export.
#include <benchmark/benchmark.h>

#include <string>

#include "report/pdf/repExportPDFA.h"
#include "report/pdf/repExportPDFSecurity.h"

namespace {

void PrepareKeys(benchmark::State& State) {
  TrepPDFSecurity S;
  for (auto _ : State) {
    S.PrepareSecurityKeys("user", "owner", -44, "0123456789abcdef0123456789abcdef");
    benchmark::DoNotOptimize(S.EncKey().data());
  }
}
BENCHMARK(PrepareKeys);

// A content stream of 64 KiB, about a dense page of text.
void EncryptStream(benchmark::State& State) {
  TrepPDFSecurity S;
  S.PrepareSecurityKeys("user", "owner", -44, "0123456789abcdef0123456789abcdef");
  rt::TMemoryStream Source;
  const std::string Page(64 * 1024, 'x');
  Source.WriteBuffer(Page.data(), static_cast<std::int64_t>(Page.size()));
  for (auto _ : State) {
    rt::TMemoryStream Dest;
    S.EncryptObjectData(Source, Dest, 12);
    benchmark::DoNotOptimize(Dest.Memory());
  }
  State.SetBytesProcessed(State.iterations() * static_cast<std::int64_t>(Page.size()));
}
BENCHMARK(EncryptStream);

void XMPMetadata(benchmark::State& State) {
  TrepPDFAInfo Info;
  Info.Title = "Sizing report <R&D>";
  Info.Author = "Valve engineer";
  Info.FileID = "0123456789abcdef0123456789abcdef";
  TrepPDFA A;
  for (auto _ : State) benchmark::DoNotOptimize(A.XMPMetadataText(Info));
}
BENCHMARK(XMPMetadata);

} // namespace
