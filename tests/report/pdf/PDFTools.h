// Outside PDF readers (qpdf, poppler) run from tests, and temporary files that go with the test.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace pdftools {

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

// Runs a command line with its standard output and error captured.
inline TRun RunTool(const std::string& Cmd) {
  static int Serial = 0;
  const std::filesystem::path Err = std::filesystem::temp_directory_path() /
                                    ("pdftool-err-" + std::to_string(getpid()) + "-" + std::to_string(++Serial));
  TRun R;
  FILE* P = popen((Cmd + " 2>" + Err.string()).c_str(), "r");
  if (!P) return R;
  char Buf[4096];
  std::size_t N;
  while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) R.Out.append(Buf, N);
  R.Status = pclose(P);
  std::ifstream E(Err);
  std::stringstream S;
  S << E.rdbuf();
  R.Err = S.str();
  std::filesystem::remove(Err);
  return R;
}

inline bool HaveTool(const char* Name) { return RunTool(std::string("command -v ") + Name).Status == 0; }

// A path in the temporary folder, removed (with the file) when the test ends.
struct TTempPath {
  std::filesystem::path Path;
  explicit TTempPath(const std::string& Stem) {
    static int Serial = 0;
    Path = std::filesystem::temp_directory_path() /
           (Stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++Serial) + ".pdf");
  }
  ~TTempPath() { std::filesystem::remove(Path); }
  std::string Str() const { return Path.string(); }
  std::string Bytes() const {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }
};

// The first page of a PDF file as pdftoppm renders it at Dpi without smoothing: RGB samples row
// by row from the top. W and H stay 0 when it could not be rendered.
struct TPixmap {
  int W = 0, H = 0;
  std::string Samples;
  // The red, green and blue of the pixel at (X, Y).
  const unsigned char* At(int X, int Y) const {
    return reinterpret_cast<const unsigned char*>(Samples.data()) + 3 * (static_cast<std::size_t>(Y) * W + X);
  }
};

inline TPixmap RenderPage(const std::string& PdfFile, int Dpi) {
  TTempPath Root("pdftool-render");
  TPixmap P;
  if (RunTool("pdftoppm -r " + std::to_string(Dpi) + " -aa no -aaVector no -singlefile '" + PdfFile + "' '" +
              Root.Str() + "'")
          .Status != 0)
    return P;
  const std::filesystem::path File = Root.Str() + ".ppm";
  std::ifstream In(File, std::ios::binary);
  std::string Magic;
  int Max = 0;
  In >> Magic >> P.W >> P.H >> Max;
  In.get();
  P.Samples.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  In.close();
  std::filesystem::remove(File);
  if (Magic != "P6" || P.Samples.size() < static_cast<std::size_t>(P.W) * P.H * 3) return {};
  return P;
}

} // namespace pdftools
