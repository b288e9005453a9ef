#pragma once
// The preview's tool-bar pictures and the image lists they are cut into. The pictures are our
// own drawings, made here by code on the raster canvas; nothing is read from a file.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"

// Cells in the preview strip (indexes 0 .. 27; a few are left empty).
inline constexpr int repPreviewButtonCount = 28;
// A cell is 16 pixels square at 96 pixels per inch.
inline constexpr int repButtonCellSize = 16;
// The colour the strip's background is painted with; it is left out when cells are cut.
inline constexpr gfx::TColor repStripTransparentColor = 0xFF00FF;

// Pictures of one size cut from a strip; every picture is pf32bit, its transparent colour left
// out (alpha 0).
class TrepImageList {
public:
  TrepImageList(int Width, int Height) : FWidth(Width), FHeight(Height) {}
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Count() const { return static_cast<int>(FImages.size()); }
  // rt::EListError outside 0 .. Count - 1.
  const gfx::TBitmap& Images(int Index) const;
  // Cells of Width x Height, left to right and then row by row while the row lies inside the
  // strip; pixels of Transparent become see-through.
  void AddStrip(const gfx::TBitmap& Strip, gfx::TColor Transparent);
  void Clear() { FImages.clear(); }

private:
  int FWidth, FHeight;
  std::vector<std::unique_ptr<gfx::TBitmap>> FImages;
};

// The preview strip drawn for a resolution: repPreviewButtonCount cells of
// Round(16 * PPI / 96) pixels side by side on repStripTransparentColor. Drawn at the size rather
// than stretched, so the lines stay sharp.
std::unique_ptr<gfx::TBitmap> repPreviewButtonsStrip(int PPI);

// The image lists by name and resolution ("PreviewImages96", ...), made on first use and kept
// for the life of the process. Guarded: sessions of the server ask for them at any time.
class TrepImageLists {
public:
  // The preview's buttons at PPI (lowered to a multiple of 24, at least 96).
  const TrepImageList& PreviewButtonImages(int PPI);
  // The resolution a list is made for: PPI lowered to a multiple of 24, at least 96.
  static int ListPPI(int PPI);

private:
  std::mutex FLock;
  std::map<std::string, std::unique_ptr<TrepImageList>> FLists;
};

TrepImageLists& repImageLists();
