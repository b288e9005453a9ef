#pragma once
// Resources compiled into the program for the PDF export (data/report/EmbedPDFResources.cmake):
// "METAFILE", the XMP metadata template, and "PROFILE", the sRGB colour profile of PDF/A
// documents.
#include <cstddef>
#include <string_view>

#include "platform/rt/SysUtils.h"

RT_DECLARE_EXCEPTION(EResNotFound, rt::Exception)

struct TrepPDFResource {
  const char* Name;
  const unsigned char* Data;
  std::size_t Size;
};

// The bytes of the resource of that name, letter case ignored; EResNotFound
// "Resource NAME not found" when there is none.
std::string_view FindPDFResource(std::string_view Name);
