#include "report/pdf/repPDFResources.h"

#include "platform/rt/Unicode.h"

// Filled by the generated repPDFResData.cpp.
extern const TrepPDFResource repPDFResources[];
extern const std::size_t repPDFResourceCount;

std::string_view FindPDFResource(std::string_view Name) {
  for (std::size_t I = 0; I < repPDFResourceCount; ++I) {
    const TrepPDFResource& R = repPDFResources[I];
    if (rt::Utf8CompareText(Name, R.Name) == 0)
      return {reinterpret_cast<const char*>(R.Data), R.Size};
  }
  throw EResNotFound("Resource " + std::string(Name) + " not found");
}
