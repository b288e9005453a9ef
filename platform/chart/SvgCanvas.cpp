#include "platform/chart/SvgCanvas.h"

#include <algorithm>
#include <cstdio>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Graphics.h"
#include "platform/rt/Unicode.h"

namespace chart {

namespace {

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  std::string s = buf;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  if (s == "-0") s = "0";
  return s;
}

// Odd stroke widths sit on pixel centres, so one-pixel lines stay sharp.
double Offset(int Width) { return Width % 2 ? 0.5 : 0; }

std::string DashArray(gfx::TPenStyle Style, int Width) {
  const int w = std::max(1, Width);
  auto list = [w](std::initializer_list<int> parts) {
    std::string s;
    for (int p : parts) s += (s.empty() ? "" : ",") + std::to_string(p * w);
    return s;
  };
  switch (Style) {
    case gfx::psDash: return list({4, 2});
    case gfx::psDot: return list({1, 2});
    case gfx::psDashDot: return list({4, 2, 1, 2});
    case gfx::psDashDotDot: return list({4, 2, 1, 2, 1, 2});
    default: return {};
  }
}

}  // namespace

std::string SvgColor(gfx::TColor Color) {
  if (Color == gfx::clNone) return "none";
  const unsigned c = static_cast<unsigned>(gfx::ColorToRGB(Color));
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

std::string XmlEscape(const std::string& Text) {
  std::string out;
  out.reserve(Text.size());
  for (char ch : Text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        // Control characters are not allowed in XML 1.0; tabs and line ends become blanks.
        if (static_cast<unsigned char>(ch) < 0x20)
          out += ' ';
        else
          out += ch;
    }
  }
  return out;
}

TSvgCanvas::TSvgCanvas(int Width, int Height) : FWidth(std::max(0, Width)), FHeight(std::max(0, Height)) {}

std::string TSvgCanvas::ClipAttr() const { return FClipId.empty() ? "" : " clip-path=\"url(#" + FClipId + ")\""; }

std::string TSvgCanvas::NewClip(const gfx::TRect& R) {
  const std::string id = "c" + std::to_string(++FClipCount);
  FBody += "<clipPath id=\"" + id + "\"><rect x=\"" + Num(R.Left) + "\" y=\"" + Num(R.Top) + "\" width=\"" +
           Num(std::max(0, R.Width())) + "\" height=\"" + Num(std::max(0, R.Height())) + "\"/></clipPath>";
  return id;
}

void TSvgCanvas::SetClipRect(const std::optional<gfx::TRect>& Value) {
  gfx::TCanvas::SetClipRect(Value);
  FClipId = Value ? NewClip(*Value) : std::string();
}

std::string TSvgCanvas::Stroke(const gfx::TPen& P) const {
  if (P.Style == gfx::psClear || P.Color == gfx::clNone) return " stroke=\"none\"";
  std::string s = " stroke=\"" + SvgColor(P.Color) + "\" stroke-width=\"" + std::to_string(std::max(1, P.Width)) + "\"";
  const std::string dash = DashArray(P.Style, P.Width);
  if (!dash.empty()) s += " stroke-dasharray=\"" + dash + "\"";
  return s;
}

std::string TSvgCanvas::Fill() const {
  if (Brush.Style == gfx::bsClear || Brush.Color == gfx::clNone) return " fill=\"none\"";
  return " fill=\"" + SvgColor(Brush.Color) + "\"";
}

void TSvgCanvas::FillRect(const gfx::TRect& R) {
  if (R.Width() <= 0 || R.Height() <= 0) return;
  if (Brush.Style == gfx::bsClear || Brush.Color == gfx::clNone) return;
  FBody += "<rect x=\"" + Num(R.Left) + "\" y=\"" + Num(R.Top) + "\" width=\"" + Num(R.Width()) + "\" height=\"" +
           Num(R.Height()) + "\"" + Fill() + ClipAttr() + "/>";
}

void TSvgCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  if (X2 <= X1 || Y2 <= Y1) return;
  const bool outline = Pen.Style != gfx::psClear && Pen.Color != gfx::clNone;
  const int w = outline ? std::max(1, Pen.Width) : 0;
  // The outline lies inside the rectangle: its centre line is half a pen inside the edges.
  const double x = X1 + w / 2.0, y = Y1 + w / 2.0;
  const double width = std::max(0.0, double(X2 - X1 - w)), height = std::max(0.0, double(Y2 - Y1 - w));
  FBody += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(width) + "\" height=\"" + Num(height) +
           "\"" + Fill() + (outline ? Stroke(Pen) : std::string(" stroke=\"none\"")) + ClipAttr() + "/>";
}

void TSvgCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  if (X2 <= X1 || Y2 <= Y1) return;
  const bool outline = Pen.Style != gfx::psClear && Pen.Color != gfx::clNone;
  const int w = outline ? std::max(1, Pen.Width) : 0;
  FBody += "<ellipse cx=\"" + Num((X1 + X2) / 2.0) + "\" cy=\"" + Num((Y1 + Y2) / 2.0) + "\" rx=\"" +
           Num(std::max(0.0, (X2 - X1 - w) / 2.0)) + "\" ry=\"" + Num(std::max(0.0, (Y2 - Y1 - w) / 2.0)) + "\"" +
           Fill() + (outline ? Stroke(Pen) : std::string(" stroke=\"none\"")) + ClipAttr() + "/>";
}

void TSvgCanvas::DrawLine(int X1, int Y1, int X2, int Y2) {
  if (Pen.Style == gfx::psClear || Pen.Color == gfx::clNone) return;
  const double o = Offset(Pen.Width);
  FBody += "<line x1=\"" + Num(X1 + o) + "\" y1=\"" + Num(Y1 + o) + "\" x2=\"" + Num(X2 + o) + "\" y2=\"" + Num(Y2 + o) +
           "\"" + Stroke(Pen) + ClipAttr() + "/>";
}

bool TSvgCanvas::GeometricLine(int X1, int Y1, int X2, int Y2, const gfx::TGeometricPen& GPen) {
  if (GPen.Color == gfx::clNone) return true;
  std::string s = "<line x1=\"" + Num(X1) + "\" y1=\"" + Num(Y1) + "\" x2=\"" + Num(X2) + "\" y2=\"" + Num(Y2) +
                  "\" stroke=\"" + SvgColor(GPen.Color) + "\" stroke-width=\"" + std::to_string(std::max(1, GPen.Width)) +
                  "\" stroke-linecap=\"" +
                  (GPen.EndCap == gfx::pecRound ? "round" : GPen.EndCap == gfx::pecSquare ? "square" : "butt") + "\"";
  if (!GPen.Dashes.empty()) {
    s += " stroke-dasharray=\"";
    for (std::size_t k = 0; k < GPen.Dashes.size(); ++k) s += (k ? "," : "") + std::to_string(std::max(0, GPen.Dashes[k]));
    s += "\"";
  }
  FBody += s + ClipAttr() + "/>";
  return true;
}

void TSvgCanvas::Polyline(const std::vector<gfx::TPoint>& Points) {
  if (Points.size() < 2 || Pen.Style == gfx::psClear || Pen.Color == gfx::clNone) return;
  const double o = Offset(Pen.Width);
  std::string pts;
  for (const gfx::TPoint& p : Points) pts += (pts.empty() ? "" : " ") + Num(p.X + o) + "," + Num(p.Y + o);
  FBody += "<polyline points=\"" + pts + "\" fill=\"none\"" + Stroke(Pen) +
           " stroke-linejoin=\"round\"" + ClipAttr() + "/>";
}

void TSvgCanvas::Polygon(const std::vector<gfx::TPoint>& Points) {
  if (Points.size() < 2) return;
  const double o = Offset(Pen.Width);
  std::string pts;
  for (const gfx::TPoint& p : Points) pts += (pts.empty() ? "" : " ") + Num(p.X + o) + "," + Num(p.Y + o);
  FBody += "<polygon points=\"" + pts + "\"" + Fill() + Stroke(Pen) + ClipAttr() + "/>";
}

void TSvgCanvas::ExtTextOut(const gfx::TTextOut& T) {
  if (T.Text.empty()) return;
  const bool bold = gfx::HasStyle(Font.Style(), gfx::fsBold), italic = gfx::HasStyle(Font.Style(), gfx::fsItalic);
  const int px = std::clamp(T.FontHeight > 0 ? T.FontHeight : std::abs(Font.Height()), 1, gfx::MaxPixelSize);
  // The cell's top left is given; SVG places the baseline, one ascent lower.
  int ascent = px * 9 / 10;
  if (const gfx::TFontFace* face = gfx::FindFace(Font.Name(), bold, italic))
    ascent = gfx::TSizedFont::Get(face, px)->Ascent();
  std::string attrs;
  double x = T.X, y = T.Y + ascent;
  if (T.Escapement != 0) {
    attrs += " transform=\"rotate(" + Num(-T.Escapement / 10.0) + " " + Num(T.X) + " " + Num(T.Y) + ")\"";
  }
  std::string family = XmlEscape(Font.Name());
  const std::string installed = gfx::ResolveFontFamily(Font.Name());
  if (installed != Font.Name()) family += ", " + XmlEscape(installed);
  std::string clip = ClipAttr();
  if ((T.Options & gfx::ETO_CLIPPED) && T.Clip) clip = " clip-path=\"url(#" + NewClip(*T.Clip) + ")\"";
  FBody += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-family=\"" + family + ", sans-serif\" font-size=\"" +
           std::to_string(px) + "\" fill=\"" + SvgColor(Font.Color()) + "\"" + (bold ? " font-weight=\"bold\"" : "") +
           (italic ? " font-style=\"italic\"" : "") +
           (gfx::HasStyle(Font.Style(), gfx::fsUnderline) ? " text-decoration=\"underline\"" : "") +
           " xml:space=\"preserve\"" + attrs + clip + ">" + XmlEscape(rt::Utf16ToUtf8(T.Text)) + "</text>";
}

void TSvgCanvas::BeginGroup(const std::string& Kind, const std::vector<std::pair<std::string, std::string>>& Attrs) {
  std::string g = "<g class=\"" + XmlEscape(Kind) + "\"";
  for (const auto& [name, value] : Attrs) {
    std::string n;
    for (char c : name)
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') n += c;
      else if (c >= 'A' && c <= 'Z') n += static_cast<char>(c - 'A' + 'a');
    if (n.empty()) continue;
    g += " data-" + n + "=\"" + XmlEscape(value) + "\"";
  }
  FBody += g + ">";
  ++FOpenGroups;
}

void TSvgCanvas::EndGroup() {
  if (FOpenGroups == 0) return;
  --FOpenGroups;
  FBody += "</g>";
}

std::string TSvgCanvas::Svg() const {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(FWidth) + "\" height=\"" +
                    std::to_string(FHeight) + "\" viewBox=\"0 0 " + std::to_string(FWidth) + " " +
                    std::to_string(FHeight) + "\">";
  out += FBody;
  for (int k = 0; k < FOpenGroups; ++k) out += "</g>";
  out += "</svg>";
  return out;
}

}  // namespace chart
