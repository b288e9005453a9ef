// A drawing written by an independent metafile library, so that the converter is not only judged
// on metafiles of our own writer. Kept apart: the library's headers declare the whole graphics
// interface of another system.
#include <libEMF/emf.h>

#include <cstdio>
#include <string>

std::string LibEMFDrawing() {
  FILE* F = std::tmpfile();
  if (F == nullptr) return {};
  RECT Frame{0, 0, 10583, 7937};  // 400 by 300 pixels at 96 per inch, in hundredths of mm
  HDC Dc = CreateEnhMetaFileWithFILEA(0, F, &Frame, nullptr);
  HPEN Pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 255));
  HBRUSH Brush = CreateSolidBrush(RGB(200, 230, 200));
  SelectObject(Dc, Pen);
  SelectObject(Dc, Brush);
  Rectangle(Dc, 10, 10, 390, 290);
  Ellipse(Dc, 40, 40, 140, 100);
  MoveToEx(Dc, 0, 0, nullptr);
  LineTo(Dc, 399, 299);
  SetBkMode(Dc, TRANSPARENT);
  SetTextColor(Dc, RGB(0, 0, 0));
  const WCHAR Face[] = {'A', 'r', 'i', 'a', 'l', 0};
  HFONT Font = CreateFontW(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, Face);
  HGDIOBJ Old = SelectObject(Dc, Font);
  const WCHAR Text[] = {'I', 'n', 'd', 'e', 'p', 'e', 'n', 'd', 'e', 'n', 't'};
  ExtTextOutW(Dc, 160, 40, 0, nullptr, Text, 11, nullptr);
  HFONT Turned = CreateFontW(-18, 0, 900, 900, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, Face);
  SelectObject(Dc, Turned);
  const WCHAR Text2[] = {'T', 'u', 'r', 'n', 'e', 'd'};
  ExtTextOutW(Dc, 60, 250, 0, nullptr, Text2, 6, nullptr);
  SelectObject(Dc, Old);
  HENHMETAFILE Mf = CloseEnhMetaFileWithFILE(Dc);
  DeleteEnhMetaFile(Mf);
  DeleteObject(Font);
  DeleteObject(Turned);
  DeleteObject(Pen);
  DeleteObject(Brush);
  std::string Bytes;
  std::rewind(F);
  char Buf[4096];
  std::size_t N;
  while ((N = std::fread(Buf, 1, sizeof Buf, F)) > 0) Bytes.append(Buf, N);
  std::fclose(F);
  return Bytes;
}
