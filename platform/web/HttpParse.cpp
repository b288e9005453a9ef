#include "platform/web/HttpParse.h"

#include <algorithm>
#include <cctype>

#include "platform/rt/SysUtils.h"

namespace web::http {

namespace {

// Digits of a Content-Length past this are refused before they can overflow.
constexpr std::size_t MaxLengthDigits = 15;

bool IsTokenChar(unsigned char c) {
  if (std::isalnum(c)) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); });
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}


// Whether a comma-separated header value lists the token (letter case aside).
bool ListHas(std::string_view value, std::string_view token) {
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    const std::string_view item = Trim(value.substr(0, comma));
    if (Lower(item) == token) return true;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return false;
}

// The next line of a head (without its CR LF or bare LF); false at the end.
bool NextLine(std::string_view& rest, std::string_view& line) {
  if (rest.empty()) return false;
  const std::size_t lf = rest.find('\n');
  line = rest.substr(0, lf);
  rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

// A parameter of a header value such as `form-data; name="x"; filename="y"`: a quoted string with
// backslash escapes, or a token. Parameter names are compared without letter case.
bool HeaderParam(std::string_view value, std::string_view name, std::string& out) {
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    const std::size_t eq = value.find('=', i);
    if (eq == std::string_view::npos) return false;
    const std::string key = Lower(Trim(value.substr(i, eq - i)));
    std::size_t j = eq + 1;
    while (j < value.size() && (value[j] == ' ' || value[j] == '\t')) ++j;
    std::string v;
    if (j < value.size() && value[j] == '"') {
      for (++j; j < value.size() && value[j] != '"'; ++j) {
        if (value[j] == '\\' && j + 1 < value.size()) ++j;
        v += value[j];
      }
      if (j < value.size()) ++j;  // the closing quote
      i = value.find(';', j);
    } else {
      const std::size_t end = value.find(';', j);
      v = std::string(Trim(value.substr(j, end == std::string_view::npos ? std::string_view::npos : end - j)));
      i = end;
    }
    if (key == name) {
      out = std::move(v);
      return true;
    }
  }
  return false;
}

// Whether a multipart delimiter that ends at pos is complete: "--" (the last) or blanks and CR LF.
bool EndsDelimiter(std::string_view body, std::size_t pos) {
  if (body.substr(pos, 2) == "--") return true;
  while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) ++pos;
  return body.substr(pos, 2) == "\r\n";
}

}  // namespace

const std::string* TRequestHead::Find(std::string_view name) const {
  for (const THeader& h : Headers)
    if (h.Name == name) return &h.Value;
  return nullptr;
}

std::size_t FindHeadEnd(std::string_view buf, std::size_t from) {
  // One empty line before the request line is allowed (and skipped by the parser).
  std::size_t start = 0;
  while (start < buf.size() && start < 2 && (buf[start] == '\r' || buf[start] == '\n')) ++start;
  for (std::size_t lf = buf.find('\n', std::max(from, start)); lf != std::string_view::npos; lf = buf.find('\n', lf + 1)) {
    if (lf + 1 < buf.size() && buf[lf + 1] == '\n') return lf + 2;
    if (lf + 2 < buf.size() && buf[lf + 1] == '\r' && buf[lf + 2] == '\n') return lf + 3;
  }
  return std::string_view::npos;
}

int ParseRequestHead(std::string_view head, TRequestHead& out, std::string& error) {
  out = TRequestHead{};
  if (head.size() > MaxHeadBytes) {
    error = "The request's header fields are too large";
    return 431;
  }
  while (!head.empty() && (head.front() == '\r' || head.front() == '\n')) head.remove_prefix(1);
  std::string_view rest = head, line;
  if (!NextLine(rest, line)) {
    error = "Empty request";
    return 400;
  }
  // method SP target SP version
  const std::size_t sp1 = line.find(' ');
  const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos) {
    error = "Malformed request line";
    return 400;
  }
  out.Method = std::string(line.substr(0, sp1));
  out.Target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
  const std::string_view version = line.substr(sp2 + 1);
  if (!IsToken(out.Method)) {
    error = "Malformed request method";
    return 400;
  }
  if (version == "HTTP/1.0") {
    out.Http10 = true;
  } else if (version != "HTTP/1.1") {
    error = version.rfind("HTTP/", 0) == 0 ? "Only HTTP/1.0 and HTTP/1.1 are served" : "Malformed request line";
    return version.rfind("HTTP/", 0) == 0 ? 505 : 400;
  }
  if (out.Target.empty() || out.Target.front() != '/' ||
      std::any_of(out.Target.begin(), out.Target.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u <= ' ' || u == 0x7f;
      })) {
    error = "Malformed request target";
    return 400;
  }
  const std::size_t q = out.Target.find('?');
  out.Path = PercentDecode(std::string_view(out.Target).substr(0, q), false);
  if (q != std::string::npos) out.Query = out.Target.substr(q + 1);
  if (out.Path.find('\0') != std::string::npos) {
    error = "Malformed request target";
    return 400;
  }

  bool haveLength = false;
  std::size_t hosts = 0;
  while (NextLine(rest, line)) {
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      error = "Folded header lines are not accepted";
      return 400;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
      error = "Malformed header field";
      return 400;
    }
    if (out.Headers.size() >= MaxHeaderFields) {
      error = "The request has too many header fields";
      return 431;
    }
    THeader h{Lower(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1)))};
    if (h.Value.find_first_of(std::string_view("\0\r", 2)) != std::string::npos) {
      error = "Malformed header field";
      return 400;
    }
    if (h.Name == "content-length") {
      const std::string& v = h.Value;
      if (v.empty() || v.size() > MaxLengthDigits ||
          !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        error = "Malformed Content-Length";
        return 400;
      }
      const std::size_t n = std::stoull(v);
      if (haveLength && n != out.ContentLength) {
        error = "Conflicting Content-Length fields";
        return 400;
      }
      haveLength = true;
      out.ContentLength = n;
    } else if (h.Name == "host") {
      ++hosts;
    } else if (h.Name == "transfer-encoding") {
      // Browsers send form bodies with a length; chunked bodies are not taken.
      error = "Transfer-Encoding is not supported; send a Content-Length";
      return 501;
    }
    out.Headers.push_back(std::move(h));
  }
  // HTTP/1.1 names the host in every request, exactly once (RFC 9112, section 3.2).
  if ((!out.Http10 && hosts == 0) || hosts > 1) {
    error = hosts > 1 ? "The request names its host more than once" : "The request names no host";
    return 400;
  }
  const std::string* connection = out.Find("connection");
  if (out.Http10) {
    out.KeepAlive = connection && ListHas(*connection, "keep-alive");
  } else {
    out.KeepAlive = !(connection && ListHas(*connection, "close"));
  }
  if (const std::string* expect = out.Find("expect")) out.ExpectContinue = Lower(*expect) == "100-continue";
  return 0;
}

std::string PercentDecode(std::string_view s, bool plusAsBlank) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '%' && i + 2 < s.size() && rt::HexDigitValue(s[i + 1]) >= 0 && rt::HexDigitValue(s[i + 2]) >= 0) {
      out += static_cast<char>(rt::HexDigitValue(s[i + 1]) * 16 + rt::HexDigitValue(s[i + 2]));
      i += 2;
    } else if (c == '+' && plusAsBlank) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

bool DecodeUrlEncoded(std::string_view body, std::vector<TFormField>& out, std::string& error) {
  while (!body.empty()) {
    const std::size_t amp = body.find('&');
    const std::string_view pair = body.substr(0, amp);
    body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
    if (pair.empty()) continue;
    if (out.size() >= MaxFormFields) {
      error = "The form has too many fields";
      return false;
    }
    const std::size_t eq = pair.find('=');
    TFormField f;
    f.Name = PercentDecode(pair.substr(0, eq), true);
    if (eq != std::string_view::npos) f.Value = PercentDecode(pair.substr(eq + 1), true);
    out.push_back(std::move(f));
  }
  return true;
}

std::string MultipartBoundary(std::string_view contentType) {
  const std::size_t semi = contentType.find(';');
  if (Lower(Trim(contentType.substr(0, semi))) != "multipart/form-data") return {};
  std::string boundary;
  if (!HeaderParam(contentType, "boundary", boundary)) return {};
  if (boundary.empty() || boundary.size() > MaxBoundaryLength) return {};
  if (boundary.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return {};
  return boundary;
}

bool DecodeMultipart(std::string_view body, std::string_view boundary, std::vector<TFormField>& out,
                     std::string& error) {
  error = "Malformed multipart body";
  if (boundary.empty()) return false;
  const std::string delimiter = "--" + std::string(boundary);
  const std::string next = "\r\n" + delimiter;
  std::size_t pos;
  if (body.substr(0, delimiter.size()) == delimiter) {
    pos = delimiter.size();
  } else {
    // A preamble before the first delimiter is ignored.
    pos = body.find(next);
    if (pos == std::string_view::npos) return false;
    pos += next.size();
  }
  for (;;) {
    if (body.substr(pos, 2) == "--") {
      error.clear();
      return true;
    }
    // Blanks may follow a delimiter before its line ends.
    while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) ++pos;
    if (body.substr(pos, 2) != "\r\n") return false;
    pos += 2;
    if (out.size() >= MaxFormFields) {
      error = "The form has too many fields";
      return false;
    }
    std::size_t headEnd;
    std::string_view partHead;
    if (body.substr(pos, 2) == "\r\n") {
      headEnd = pos + 2;  // a part without header fields
    } else {
      const std::size_t end = body.find("\r\n\r\n", pos);
      if (end == std::string_view::npos) return false;
      partHead = body.substr(pos, end + 2 - pos);
      headEnd = end + 4;
    }
    TFormField f;
    bool named = false;
    std::string_view lines = partHead, line;
    while (NextLine(lines, line)) {
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) return false;
      const std::string name = Lower(Trim(line.substr(0, colon)));
      const std::string_view value = Trim(line.substr(colon + 1));
      if (name == "content-disposition") {
        if (Lower(Trim(value.substr(0, value.find(';')))) != "form-data") return false;
        named = HeaderParam(value, "name", f.Name);
        f.IsFile = HeaderParam(value, "filename", f.FileName);
      } else if (name == "content-type") {
        f.ContentType = std::string(value);
      }
    }
    if (!named) return false;
    // A delimiter counts only when "--" or the end of its line follows it.
    std::size_t end = body.find(next, headEnd);
    while (end != std::string_view::npos && !EndsDelimiter(body, end + next.size()))
      end = body.find(next, end + 1);
    if (end == std::string_view::npos) return false;
    f.Value = std::string(body.substr(headEnd, end - headEnd));
    out.push_back(std::move(f));
    pos = end + next.size();
  }
}

bool DecodeForm(std::string_view contentType, std::string_view body, std::vector<TFormField>& out,
                std::string& error) {
  const std::string type = Lower(Trim(contentType.substr(0, contentType.find(';'))));
  if (type == "application/x-www-form-urlencoded") return DecodeUrlEncoded(body, out, error);
  if (type == "multipart/form-data") {
    const std::string boundary = MultipartBoundary(contentType);
    if (boundary.empty()) {
      error = "The multipart body has no valid boundary";
      return false;
    }
    return DecodeMultipart(body, boundary, out, error);
  }
  if (body.empty()) return true;
  error = "Form bodies are url-encoded or multipart";
  return false;
}

}  // namespace web::http
