#pragma once
// A canvas that writes an SVG document: the chart's image for the page, crisp at any zoom and a
// few kilobytes. Shapes keep the device rules of the other canvases (right and bottom edges
// excluded, outlines inside the shape); text is placed by the font layer's metrics.
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/Canvas.h"

namespace chart {

class TSvgCanvas : public gfx::TCanvas {
public:
  TSvgCanvas(int Width, int Height);

  void FillRect(const gfx::TRect& R) override;
  void Rectangle(int X1, int Y1, int X2, int Y2) override;
  void Ellipse(int X1, int Y1, int X2, int Y2) override;
  bool GeometricLine(int X1, int Y1, int X2, int Y2, const gfx::TGeometricPen& GPen) override;
  void ExtTextOut(const gfx::TTextOut& T) override;
  void Polygon(const std::vector<gfx::TPoint>& Points) override;
  void Polyline(const std::vector<gfx::TPoint>& Points) override;
  void SetClipRect(const std::optional<gfx::TRect>& Value) override;

  // A group of what follows, until EndGroup, marked class="Kind" with data-NAME="VALUE"
  // attributes (names are reduced to letters, digits and '-').
  void BeginGroup(const std::string& Kind, const std::vector<std::pair<std::string, std::string>>& Attrs);
  void EndGroup();

  // The whole document (open groups are closed).
  std::string Svg() const;

protected:
  void DrawLine(int X1, int Y1, int X2, int Y2) override;

private:
  int FWidth, FHeight;
  std::string FBody;
  int FOpenGroups = 0;
  int FClipCount = 0;
  std::string FClipId;  // of the clip in force; empty without one
  std::string ClipAttr() const;
  std::string NewClip(const gfx::TRect& R);
  std::string Stroke(const gfx::TPen& P) const;
  std::string Fill() const;
};

// "#RRGGBB" of a colour value (system colours resolved), "none" for clNone.
std::string SvgColor(gfx::TColor Color);
// Text escaped for XML content and attribute values.
std::string XmlEscape(const std::string& Text);

}  // namespace chart
