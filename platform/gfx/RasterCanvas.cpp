#include "platform/gfx/RasterCanvas.h"

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"

namespace gfx {

namespace {

void SetColor(cairo_t* Cr, TColor Color) {
  const std::uint32_t C = static_cast<std::uint32_t>(ColorToRGB(Color));
  cairo_set_source_rgb(Cr, (C & 0xFF) / 255.0, ((C >> 8) & 0xFF) / 255.0, ((C >> 16) & 0xFF) / 255.0);
}

// A cairo context on the bitmap's pixels for one operation, clipped as the canvas says.
class TContext {
public:
  TContext(TBitmap& Bitmap, const std::optional<TRect>& Clip) {
    if (Bitmap.Empty()) return;
    FSurface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Bitmap.Data().data()),
                                                   CAIRO_FORMAT_ARGB32, Bitmap.Width(), Bitmap.Height(),
                                                   Bitmap.Width() * 4);
    FCr = cairo_create(FSurface);
    cairo_set_antialias(FCr, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(FCr, CAIRO_FILL_RULE_EVEN_ODD);
    if (Clip) {
      cairo_rectangle(FCr, Clip->Left, Clip->Top, Clip->Width(), Clip->Height());
      cairo_clip(FCr);
    }
  }
  ~TContext() {
    if (FCr != nullptr) cairo_destroy(FCr);
    if (FSurface != nullptr) {
      cairo_surface_flush(FSurface);
      cairo_surface_destroy(FSurface);
    }
  }
  TContext(const TContext&) = delete;
  TContext& operator=(const TContext&) = delete;
  cairo_t* Cr() const { return FCr; }
  explicit operator bool() const { return FCr != nullptr; }

private:
  cairo_surface_t* FSurface = nullptr;
  cairo_t* FCr = nullptr;
};

// An 8 x 8 hatch tile in the brush colour over the background (white when opaque).
cairo_pattern_t* HatchPattern(const TBrush& Brush, TBkMode Mode) {
  cairo_surface_t* Tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_surface_flush(Tile);
  auto* Px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(Tile));
  const int Stride = cairo_image_surface_get_stride(Tile) / 4;
  const std::uint32_t C = static_cast<std::uint32_t>(ColorToRGB(Brush.Color));
  const std::uint32_t Ink = 0xFF000000u | (C & 0xFF) << 16 | (C & 0xFF00) | (C >> 16 & 0xFF);
  const std::uint32_t Back = Mode == bkOpaque ? 0xFFFFFFFFu : 0;
  for (int Y = 0; Y < 8; ++Y)
    for (int X = 0; X < 8; ++X) {
      bool On = false;
      switch (Brush.Style) {
        case bsHorizontal: On = Y == 0; break;
        case bsVertical: On = X == 0; break;
        case bsFDiagonal: On = X == Y; break;
        case bsBDiagonal: On = X + Y == 7; break;
        case bsCross: On = X == 0 || Y == 0; break;
        case bsDiagCross: On = X == Y || X + Y == 7; break;
        default: break;
      }
      Px[Y * Stride + X] = On ? Ink : Back;
    }
  cairo_surface_mark_dirty(Tile);
  cairo_pattern_t* P = cairo_pattern_create_for_surface(Tile);
  cairo_surface_destroy(Tile);
  cairo_pattern_set_extend(P, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(P, CAIRO_FILTER_NEAREST);
  return P;
}

// Fills the current path (kept) with the brush; false when the brush is clear.
void FillPath(cairo_t* Cr, const TBrush& Brush, TBkMode Mode) {
  if (Brush.Style == bsClear) return;
  if (Brush.Style == bsSolid) {
    SetColor(Cr, Brush.Color);
    cairo_fill_preserve(Cr);
    return;
  }
  cairo_pattern_t* P = HatchPattern(Brush, Mode);
  cairo_set_source(Cr, P);
  cairo_fill_preserve(Cr);
  cairo_pattern_destroy(P);
}

// Strokes the current path (kept) with the pen; wide pens draw solid, as the device's do.
void StrokePath(cairo_t* Cr, const TPen& Pen) {
  if (Pen.Style == psClear) return;
  SetColor(Cr, Pen.Color);
  if (Pen.Mode == pmXor) cairo_set_operator(Cr, CAIRO_OPERATOR_DIFFERENCE);
  cairo_set_line_width(Cr, Pen.Width < 1 ? 1 : Pen.Width);
  if (Pen.Width <= 1) {
    static const double Dash[] = {18, 6}, Dot[] = {3, 3}, DashDot[] = {9, 6, 3, 6}, DashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (Pen.Style) {
      case psDash: cairo_set_dash(Cr, Dash, 2, 0); break;
      case psDot: cairo_set_dash(Cr, Dot, 2, 0); break;
      case psDashDot: cairo_set_dash(Cr, DashDot, 4, 0); break;
      case psDashDotDot: cairo_set_dash(Cr, DashDotDot, 6, 0); break;
      default: break;
    }
  }
  cairo_stroke_preserve(Cr);
  cairo_set_dash(Cr, nullptr, 0, 0);
  cairo_set_operator(Cr, CAIRO_OPERATOR_OVER);
}

// Pixel centres of odd-width pens sit on half coordinates.
double Centre(const TPen& Pen) { return Pen.Width <= 1 || Pen.Width % 2 == 1 ? 0.5 : 0.0; }

void EllipsePath(cairo_t* Cr, double X1, double Y1, double X2, double Y2) {
  const double Rx = (X2 - X1) / 2, Ry = (Y2 - Y1) / 2;
  if (Rx <= 0 || Ry <= 0) return;
  cairo_save(Cr);
  cairo_translate(Cr, X1 + Rx, Y1 + Ry);
  cairo_scale(Cr, Rx, Ry);
  cairo_arc(Cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(Cr);
}

} // namespace

void TRasterCanvas::FillRect(const TRect& R) {
  TContext C(FBitmap, ClipRect());
  if (!C || R.Width() <= 0 || R.Height() <= 0) return;
  cairo_rectangle(C.Cr(), R.Left, R.Top, R.Width(), R.Height());
  FillPath(C.Cr(), Brush, BkMode);
}

void TRasterCanvas::DrawLine(int X1, int Y1, int X2, int Y2) {
  if (FBitmap.Empty() || Pen.Style == psClear) return;
  if (Pen.Width <= 1 && (Pen.Style == psSolid || Pen.Style == psInsideFrame) && Pen.Mode == pmCopy) {
    // One-pixel solid lines are exact: every pixel from the start up to, not including, the
    // end, stepped along the major axis. The pixels are opaque, so they are written straight
    // into the bitmap (as fast as the walk itself, where a path of unit squares is not).
    TRect Box{0, 0, FBitmap.Width(), FBitmap.Height()};
    if (const auto& Clip = ClipRect())
      Box = {std::max(Box.Left, Clip->Left), std::max(Box.Top, Clip->Top), std::min(Box.Right, Clip->Right),
             std::min(Box.Bottom, Clip->Bottom)};
    const std::uint32_t C = static_cast<std::uint32_t>(ColorToRGB(Pen.Color));
    const std::uint32_t Ink = 0xFF000000u | (C & 0xFF) << 16 | (C & 0xFF00) | (C >> 16 & 0xFF);
    std::uint32_t* Pixels = FBitmap.Data().data();
    const std::ptrdiff_t Stride = FBitmap.Width();
    const int DX = std::abs(X2 - X1), DY = -std::abs(Y2 - Y1), SX = X1 < X2 ? 1 : -1, SY = Y1 < Y2 ? 1 : -1;
    int Err = DX + DY, X = X1, Y = Y1;
    while (X != X2 || Y != Y2) {
      if (X >= Box.Left && X < Box.Right && Y >= Box.Top && Y < Box.Bottom) Pixels[Y * Stride + X] = Ink;
      const int E2 = 2 * Err;
      if (E2 >= DY) {
        Err += DY;
        X += SX;
      }
      if (E2 <= DX) {
        Err += DX;
        Y += SY;
      }
    }
    return;
  }
  TContext C(FBitmap, ClipRect());
  if (!C) return;
  cairo_t* Cr = C.Cr();
  const double O = Centre(Pen);
  cairo_move_to(Cr, X1 + O, Y1 + O);
  cairo_line_to(Cr, X2 + O, Y2 + O);
  cairo_set_line_cap(Cr, CAIRO_LINE_CAP_BUTT);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

void TRasterCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  TContext C(FBitmap, ClipRect());
  if (!C || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* Cr = C.Cr();
  cairo_rectangle(Cr, X1, Y1, X2 - X1, Y2 - Y1);
  FillPath(Cr, Brush, BkMode);
  cairo_new_path(Cr);
  const double O = Centre(Pen);
  cairo_rectangle(Cr, X1 + O, Y1 + O, X2 - X1 - 2 * O, Y2 - Y1 - 2 * O);
  cairo_set_line_join(Cr, CAIRO_LINE_JOIN_MITER);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

void TRasterCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  TContext C(FBitmap, ClipRect());
  if (!C || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* Cr = C.Cr();
  const double O = Centre(Pen);
  EllipsePath(Cr, X1 + O, Y1 + O, X2 - O, Y2 - O);
  FillPath(Cr, Brush, BkMode);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

void TRasterCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) {
  TContext C(FBitmap, ClipRect());
  if (!C || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* Cr = C.Cr();
  const double O = Centre(Pen);
  const double L = X1 + O, T = Y1 + O, R = X2 - O, B = Y2 - O;
  double Rx = std::min(W / 2.0, (R - L) / 2), Ry = std::min(H / 2.0, (B - T) / 2);
  if (Rx <= 0 || Ry <= 0) {
    cairo_rectangle(Cr, L, T, R - L, B - T);
  } else {
    auto Corner = [&](double Cx, double Cy, double A1) {
      cairo_save(Cr);
      cairo_translate(Cr, Cx, Cy);
      cairo_scale(Cr, Rx, Ry);
      cairo_arc(Cr, 0, 0, 1, A1, A1 + std::numbers::pi / 2);
      cairo_restore(Cr);
    };
    cairo_new_sub_path(Cr);
    Corner(R - Rx, T + Ry, -std::numbers::pi / 2);
    Corner(R - Rx, B - Ry, 0);
    Corner(L + Rx, B - Ry, std::numbers::pi / 2);
    Corner(L + Rx, T + Ry, std::numbers::pi);
    cairo_close_path(Cr);
  }
  FillPath(Cr, Brush, BkMode);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

void TRasterCanvas::Polygon(const std::vector<TPoint>& Points) {
  TContext C(FBitmap, ClipRect());
  if (!C || Points.size() < 2) return;
  cairo_t* Cr = C.Cr();
  const double O = Centre(Pen);
  cairo_move_to(Cr, Points[0].X + O, Points[0].Y + O);
  for (std::size_t I = 1; I < Points.size(); ++I) cairo_line_to(Cr, Points[I].X + O, Points[I].Y + O);
  cairo_close_path(Cr);
  FillPath(Cr, Brush, BkMode);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

void TRasterCanvas::Polyline(const std::vector<TPoint>& Points) {
  TContext C(FBitmap, ClipRect());
  if (!C || Points.size() < 2) return;
  cairo_t* Cr = C.Cr();
  const double O = Centre(Pen);
  cairo_move_to(Cr, Points[0].X + O, Points[0].Y + O);
  for (std::size_t I = 1; I < Points.size(); ++I) cairo_line_to(Cr, Points[I].X + O, Points[I].Y + O);
  StrokePath(Cr, Pen);
  cairo_new_path(Cr);
}

bool TRasterCanvas::GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) {
  TContext C(FBitmap, ClipRect());
  if (!C) return true;
  cairo_t* Cr = C.Cr();
  const double O = GPen.Width % 2 == 1 ? 0.5 : 0.0;
  cairo_move_to(Cr, X1 + O, Y1 + O);
  cairo_line_to(Cr, X2 + O, Y2 + O);
  cairo_set_line_width(Cr, GPen.Width < 1 ? 1 : GPen.Width);
  cairo_set_line_cap(Cr, GPen.EndCap == pecRound    ? CAIRO_LINE_CAP_ROUND
                         : GPen.EndCap == pecSquare ? CAIRO_LINE_CAP_SQUARE
                                                    : CAIRO_LINE_CAP_BUTT);
  std::vector<double> Dashes(GPen.Dashes.begin(), GPen.Dashes.end());
  bool AnyLength = false;
  for (double D : Dashes) AnyLength = AnyLength || D > 0;
  if (AnyLength) cairo_set_dash(Cr, Dashes.data(), static_cast<int>(Dashes.size()), 0);
  SetColor(Cr, GPen.Color);
  cairo_stroke(Cr);
  return true;
}

TColor TRasterCanvas::Pixel(int X, int Y) const { return FBitmap.Pixel(X, Y); }

void TRasterCanvas::SetPixel(int X, int Y, TColor Color) {
  if (const auto& Clip = ClipRect())
    if (X < Clip->Left || X >= Clip->Right || Y < Clip->Top || Y >= Clip->Bottom) return;
  FBitmap.SetPixel(X, Y, Color);
}

void TRasterCanvas::StretchDraw(const TRect& Dest, const TBitmap& Source, TColor TransparentColor, bool Smooth) {
  if (Source.Empty() || Dest.Width() == 0 || Dest.Height() == 0) return;
  if (&Source == &FBitmap) {
    TBitmap Copy;
    Copy.Assign(Source);
    StretchDraw(Dest, Copy, TransparentColor, Smooth);
    return;
  }
  TContext C(FBitmap, ClipRect());
  if (!C) return;
  cairo_t* Cr = C.Cr();
  auto Refused = [](cairo_status_t Status) {
    return EInvalidGraphic(std::string("Picture cannot be drawn: ") + cairo_status_to_string(Status));
  };
  // A context in its error state hands out a new error pattern for every source asked of it,
  // which nobody frees: such a context is never asked.
  if (const cairo_status_t Status = cairo_status(Cr); Status != CAIRO_STATUS_SUCCESS) throw Refused(Status);
  // The source's pixels, with the transparent colour's pixels made fully transparent. A source
  // larger than cairo draws from reliably is sampled down first.
  const int W = std::min(Source.Width(), MaxStretchSourceSidePixels);
  const int H = std::min(Source.Height(), MaxStretchSourceSidePixels);
  std::vector<std::uint32_t> Px;
  if (W == Source.Width() && H == Source.Height()) {
    Px = Source.Data();
  } else {
    Px.resize(static_cast<std::size_t>(W) * H);
    const std::vector<std::uint32_t>& From = Source.Data();
    for (int Y = 0; Y < H; ++Y) {
      const std::size_t Row = static_cast<std::size_t>(static_cast<std::int64_t>(Y) * Source.Height() / H) * Source.Width();
      for (int X = 0; X < W; ++X)
        Px[static_cast<std::size_t>(Y) * W + X] = From[Row + static_cast<std::size_t>(static_cast<std::int64_t>(X) * Source.Width() / W)];
    }
  }
  if (TransparentColor != clNone) {
    const std::uint32_t T = static_cast<std::uint32_t>(ColorToRGB(TransparentColor));
    const std::uint32_t Key = (T & 0xFF) << 16 | (T & 0xFF00) | (T >> 16 & 0xFF);
    for (std::uint32_t& P : Px)
      if ((P >> 24) == 0xFF && (P & 0xFFFFFF) == Key) P = 0;
  }
  if (Source.PixelFormat() != pf32bit)
    for (std::uint32_t& P : Px)
      if (P != 0 || TransparentColor == clNone) P |= 0xFF000000u;
  cairo_surface_t* S =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Px.data()), CAIRO_FORMAT_ARGB32, W, H, W * 4);
  if (const cairo_status_t Status = cairo_surface_status(S); Status != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(S);
    throw Refused(Status);
  }
  // The pattern is made, set and freed here, whatever state cairo is in.
  cairo_pattern_t* Pattern = cairo_pattern_create_for_surface(S);
  cairo_surface_destroy(S);
  cairo_pattern_set_filter(Pattern, Smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(Pattern, CAIRO_EXTEND_PAD);
  const int L = std::min(Dest.Left, Dest.Right), T = std::min(Dest.Top, Dest.Bottom);
  cairo_rectangle(Cr, L, T, std::abs(Dest.Width()), std::abs(Dest.Height()));
  cairo_clip(Cr);
  cairo_translate(Cr, Dest.Left, Dest.Top);
  cairo_scale(Cr, static_cast<double>(Dest.Width()) / W, static_cast<double>(Dest.Height()) / H);
  cairo_set_source(Cr, Pattern);
  cairo_paint(Cr);
  const cairo_status_t Status = cairo_status(Cr);
  cairo_set_source_rgb(Cr, 0, 0, 0);
  cairo_pattern_destroy(Pattern);
  if (Status != CAIRO_STATUS_SUCCESS) throw Refused(Status);
}

} // namespace gfx

// ---------------------------------------------------------------------------------------------
// Text

namespace gfx {

namespace {

// FreeType handles are not shared between threads: each drawing opens the faces it needs from
// the font layer's file data with a library of its own thread.
struct TThreadFreeType {
  FT_Library Lib = nullptr;
  TThreadFreeType() {
    if (FT_Init_FreeType(&Lib) != 0) Lib = nullptr;
  }
  ~TThreadFreeType() {
    if (Lib) FT_Done_FreeType(Lib);
  }
};

class TDrawFaces {
public:
  explicit TDrawFaces(int PixelSize) : FPixelSize(PixelSize) {}
  ~TDrawFaces() {
    for (auto& [Face, F] : FFaces)
      if (F) FT_Done_Face(F);
  }
  FT_Face Get(const TFontFace* Face) {
    auto It = FFaces.find(Face);
    if (It != FFaces.end()) return It->second;
    thread_local TThreadFreeType FT;
    FT_Face F = nullptr;
    const auto& Data = Face->FileData();
    if (FT.Lib == nullptr || Data.empty() ||
        FT_New_Memory_Face(FT.Lib, Data.data(), static_cast<FT_Long>(Data.size()), Face->FaceIndex(), &F) != 0)
      F = nullptr;
    if (F && FT_Set_Pixel_Sizes(F, 0, static_cast<FT_UInt>(FPixelSize)) != 0) {
      FT_Done_Face(F);
      F = nullptr;
    }
    FFaces.emplace(Face, F);
    return F;
  }

private:
  int FPixelSize;
  std::map<const TFontFace*, FT_Face> FFaces;
};

} // namespace

void TRasterCanvas::ExtTextOut(const TTextOut& T) {
  if (T.Text.empty()) return;
  const int Px = std::clamp(T.FontHeight != 0 ? std::abs(T.FontHeight) : FontPixelSize(), 1, MaxRasterTextPixels);
  const bool Bold = (Font.Style() & FontStyles({fsBold})) != 0;
  const bool Italic = (Font.Style() & FontStyles({fsItalic})) != 0;
  const TFontFace* Face = FindFace(Font.Name(), Bold, Italic);
  if (Face == nullptr) return;
  const auto Sized = TSizedFont::Get(Face, Px);
  std::optional<TRect> Clip = ClipRect();
  if ((T.Options & ETO_CLIPPED) && T.Clip) {
    TRect C = *T.Clip;
    if (Clip) {
      C.Left = std::max(C.Left, Clip->Left);
      C.Top = std::max(C.Top, Clip->Top);
      C.Right = std::min(C.Right, Clip->Right);
      C.Bottom = std::min(C.Bottom, Clip->Bottom);
    }
    Clip = C;
  }
  auto Plot = [&](int X, int Y) {
    if (Clip && (X < Clip->Left || X >= Clip->Right || Y < Clip->Top || Y >= Clip->Bottom)) return;
    if (X < 0 || Y < 0 || X >= FBitmap.Width() || Y >= FBitmap.Height()) return;
    FBitmap.SetPixel(X, Y, Font.Color());
  };
  TDrawFaces Faces(Px);
  // Turned text: glyphs rendered turned by FreeType, the pen walking along the direction from
  // the baseline under the cell's top left corner.
  const double Angle = (T.Escapement % 3600) * std::numbers::pi / 1800;
  const double Cos = T.Escapement % 3600 == 0 ? 1 : std::cos(Angle), Sin = T.Escapement % 3600 == 0 ? 0 : std::sin(Angle);
  FT_Matrix Turn{static_cast<FT_Fixed>(std::lround(Cos * 65536)), static_cast<FT_Fixed>(std::lround(-Sin * 65536)),
                 static_cast<FT_Fixed>(std::lround(Sin * 65536)), static_cast<FT_Fixed>(std::lround(Cos * 65536))};
  const double BaseX = T.X + Sized->Ascent() * Sin, BaseY = T.Y + Sized->Ascent() * Cos;
  // A point Along the baseline and Up from it, in pixels.
  auto At = [&](double Along, double Up, int& X, int& Y) {
    X = static_cast<int>(std::floor(BaseX + Along * Cos - Up * Sin));
    Y = static_cast<int>(std::floor(BaseY - Along * Sin - Up * Cos));
  };
  int Pen = 0;
  const std::size_t N = T.Text.size();
  for (std::size_t I = 0; I < N; ++I) {
    char32_t C = T.Text[I];
    std::size_t Units = 1;
    if (C >= 0xD800 && C < 0xDC00 && I + 1 < N && T.Text[I + 1] >= 0xDC00 && T.Text[I + 1] < 0xE000) {
      C = 0x10000 + ((C - 0xD800) << 10) + (T.Text[I + 1] - 0xDC00);
      Units = 2;
    }
    const TGlyphRef G = Sized->Glyph(C);
    FT_Face F = G.Face ? Faces.Get(G.Face) : nullptr;
    if (F) FT_Set_Transform(F, Sin == 0 && Cos == 1 ? nullptr : &Turn, nullptr);
    if (F && FT_Load_Glyph(F, G.Glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0) {
      const FT_Bitmap& B = F->glyph->bitmap;
      int OX = 0, OY = 0;
      At(Pen, 0, OX, OY);
      const int Left = OX + F->glyph->bitmap_left, Top = OY - F->glyph->bitmap_top;
      for (unsigned Row = 0; Row < B.rows; ++Row) {
        const unsigned char* Line = B.buffer + static_cast<std::ptrdiff_t>(Row) * B.pitch;
        for (unsigned Col = 0; Col < B.width; ++Col) {
          const bool On = B.pixel_mode == FT_PIXEL_MODE_MONO ? (Line[Col >> 3] & (0x80 >> (Col & 7))) != 0
                                                              : Line[Col] >= 128;
          if (On) Plot(Left + static_cast<int>(Col), Top + static_cast<int>(Row));
        }
      }
    }
    Pen += I < T.Dx.size() ? T.Dx[I] + (Units == 2 && I + 1 < T.Dx.size() ? T.Dx[I + 1] : 0) : Sized->Advance(C);
    I += Units - 1;
  }
  const int Bar = std::max(1, Px / 14);
  // Rules along the baseline, stepped by half pixels so that turned ones have no gaps.
  auto Rule = [&](int Up) {
    for (int H = 0; H < 2 * Bar; ++H)
      for (int A = 0; A < 2 * std::abs(Pen); ++A) {
        int X = 0, Y = 0;
        At((Pen < 0 ? -A : A) / 2.0, Up - H / 2.0, X, Y);
        Plot(X, Y);
      }
  };
  if (Font.Style() & FontStyles({fsUnderline})) Rule(-std::max(1, Sized->Descent() / 3));
  if (Font.Style() & FontStyles({fsStrikeOut})) Rule(Sized->Ascent() / 3);
}

} // namespace gfx
