// The peer writer of the PDF benchmarks: cairo's PDF surface writing into a byte counter, so that
// the peer's time includes making the whole document but no file system.
#pragma once

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstddef>

namespace cairopeer {

// A4 in points, the report pages' size.
constexpr double PageWidth = 595.28, PageHeight = 841.89;

// One PDF document drawn with cairo in one face; Bytes holds the file's size after Finish.
class TDocument {
public:
  TDocument(const char* Face, double Size) {
    Surface = cairo_pdf_surface_create_for_stream(&TDocument::Count, &Bytes, PageWidth, PageHeight);
    Cr = cairo_create(Surface);
    cairo_select_font_face(Cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(Cr, Size);
  }
  TDocument(const TDocument&) = delete;
  TDocument& operator=(const TDocument&) = delete;
  ~TDocument() { Finish(); }

  // One show-text call at the baseline point (X, Y), points from the top left.
  void Text(double X, double Y, const char* Utf8) {
    cairo_move_to(Cr, X, Y);
    cairo_show_text(Cr, Utf8);
  }
  void EndPage() { cairo_show_page(Cr); }
  std::size_t Finish() {
    if (Cr) {
      cairo_destroy(Cr);
      cairo_surface_finish(Surface);
      cairo_surface_destroy(Surface);
      Cr = nullptr;
    }
    return Bytes;
  }

private:
  static cairo_status_t Count(void* Closure, const unsigned char*, unsigned int Length) {
    *static_cast<std::size_t*>(Closure) += Length;
    return CAIRO_STATUS_SUCCESS;
  }
  std::size_t Bytes = 0;
  cairo_surface_t* Surface = nullptr;
  cairo_t* Cr = nullptr;
};

} // namespace cairopeer
