// A raw request as a client sends it: the head is parsed, and the rest is decoded as the form body
// its content type names. The body decoders also see the whole input on their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web/HttpParse.h"

using namespace web::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<TFormField> fields;
  std::string error;

  const std::size_t end = FindHeadEnd(input);
  if (end != std::string_view::npos) {
    if (end > input.size()) std::abort();
    TRequestHead head;
    if (ParseRequestHead(input.substr(0, end), head, error) == 0) {
      if (head.Path.find('\0') != std::string::npos || head.Target.empty() || head.Target[0] != '/') std::abort();
      const std::string* type = head.Find("content-type");
      const std::string_view body = input.substr(end);
      if (DecodeForm(type ? *type : std::string(), body.substr(0, std::min(body.size(), head.ContentLength)), fields,
                     error) &&
          fields.size() > MaxFormFields)
        std::abort();
    }
  }
  fields.clear();
  DecodeUrlEncoded(input, fields, error);
  if (fields.size() > MaxFormFields) std::abort();
  fields.clear();
  DecodeMultipart(input, "b0undary", fields, error);
  if (fields.size() > MaxFormFields) std::abort();
  return 0;
}
