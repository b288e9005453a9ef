#pragma once
// Reading HTTP/1.1 requests and their form bodies. Pure functions over bytes, shared by the server's
// event loop and the fuzz target. What a client may send is bounded by the constants below; the
// body limits belong to the server (Server.h), which knows what each address takes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace web::http {

// Request line and header fields together. Large enough for every cookie a browser keeps for the
// site (the form's user fluids and preferences) several times over.
constexpr std::size_t MaxHeadBytes = 64 * 1024;
constexpr std::size_t MaxHeaderFields = 200;
// Fields of one form body (url-encoded or multipart): the sizing form sends a few hundred.
constexpr std::size_t MaxFormFields = 4096;
// A multipart boundary is at most 70 characters.
constexpr std::size_t MaxBoundaryLength = 70;

struct THeader {
  std::string Name;  // in lower case
  std::string Value;
};

struct TRequestHead {
  std::string Method;
  std::string Target;  // as sent
  std::string Path;    // the target before '?', percent-decoded
  std::string Query;   // after '?', as sent
  bool Http10 = false;
  std::vector<THeader> Headers;
  std::size_t ContentLength = 0;
  bool KeepAlive = true;
  bool ExpectContinue = false;

  // Value of the first header of that (lower-case) name; nullptr when there is none.
  const std::string* Find(std::string_view name) const;
};

// Index just past the empty line that ends a request head in buf; npos while it has not arrived.
// The search starts at `from` (where an earlier search of the same growing buffer left off), so a
// head that trickles in is not searched again from its start on every byte.
std::size_t FindHeadEnd(std::string_view buf, std::size_t from = 0);

// Parses a complete head (through its empty line). Returns 0, or the status to answer with (400,
// 431, 501, 505) and the reason in error.
int ParseRequestHead(std::string_view head, TRequestHead& out, std::string& error);

// %XX becomes its byte; with plusAsBlank '+' becomes ' '. A '%' without two hex digits stays.
std::string PercentDecode(std::string_view s, bool plusAsBlank);

struct TFormField {
  std::string Name;
  std::string Value;
  bool IsFile = false;  // a multipart part with a file name
  std::string FileName;
  std::string ContentType;
};

// application/x-www-form-urlencoded. False with a reason past MaxFormFields.
bool DecodeUrlEncoded(std::string_view body, std::vector<TFormField>& out, std::string& error);
// The boundary parameter of a multipart/form-data content type; empty when there is none or it is
// not a valid boundary.
std::string MultipartBoundary(std::string_view contentType);
// multipart/form-data with the given boundary. False with a reason when the body is malformed or
// holds more than MaxFormFields parts.
bool DecodeMultipart(std::string_view body, std::string_view boundary, std::vector<TFormField>& out,
                     std::string& error);
// A form body of either kind, chosen by its content type; an empty body is an empty form, and any
// other content type is an error.
bool DecodeForm(std::string_view contentType, std::string_view body, std::vector<TFormField>& out,
                std::string& error);

}  // namespace web::http
