#pragma once
// Line, picture and check box views (repClassPicture.cpp).
#include "report/engine/repClassView.h"

namespace gfx {
class TGraphic;
class TPicture;
}  // namespace gfx

// A horizontal or vertical rule drawn with the frame, or a diagonal, with optional arrows.
class TrepCustomLineView : public TrepStretcheable {
public:
  RT_CLASS_INFO(TrepCustomLineView)
  explicit TrepCustomLineView(rt::TComponent* AOwner);
  // Any Flags but 0 makes a diagonal; 2 and 4 add the end arrow, 3 and 4 the start arrow.
  void DesignCreate(int Flags);
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  bool IsContain(double X, double Y) const;
  bool IsInRect(const TrepRect& aRect) const;
  // A line of negative width or height is drawn normalised.
  std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill) override;

  gfx::TColor LineColor = gfx::clNone;  // the brush of a diagonal's drawing (published as Color)
  bool Diagonal = false;
  bool ArrowEnd = false;
  int ArrowLength = 20;
  bool ArrowSolid = false;
  bool ArrowStart = false;
  int ArrowWidth = 5;

private:
  void DrawArrow(int TipX, int TipY, int OtherX, int OtherY);
  void DrawDiagonalLine();
};

class TrepLineView : public TrepCustomLineView {
public:
  RT_CLASS_INFO(TrepLineView)
  using TrepCustomLineView::TrepCustomLineView;
};

// A picture drawn stretched (keeping its aspect when asked), centred or at its own size.
class TrepPictureView : public TrepView {
public:
  RT_CLASS_INFO(TrepPictureView)
  explicit TrepPictureView(rt::TComponent* AOwner);
  ~TrepPictureView() override;
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  // FileLink (expanded) names a file to load, else a blob field of the bound dataset is read.
  void GetData() override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  bool IsEMFExportable() override;
  // A metafile stretched over the whole view is its own vector graphic; other pictures are drawn
  // into a new metafile.
  std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill) override;
  // Recognises the format from the bytes (after an optional 8-byte database header). 0 on
  // success; E_INVALIDARG (and an empty picture) when no format fits or the data is bad.
  virtual std::int32_t LoadPictureFromStream(rt::TStream& s, bool ResetStreamPos);
  static constexpr std::int32_t E_INVALIDARG = static_cast<std::int32_t>(0x80070057);

  gfx::TPicture& Picture() { return *FPicture; }
  const gfx::TPicture& Picture() const { return *FPicture; }
  void SetPicture(const gfx::TPicture& Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

  bool Center = false;
  std::string FileLink;
  int ImageIndex = 0;
  bool IsImageIndexStored = false;
  bool IsPictureStored = true;
  bool KeepAspectRatio = true;
  bool PictureChanged = false;
  bool Stretched = true;
  bool HightQuality = false;
  bool Transparent = false;
  gfx::TColor TransparentColor = gfx::clWhite;
  // Hands a changed picture to the prepared pages' picture cache and returns its index; set
  // by the prepared pages. Without it ImageIndex stays as it is.
  std::function<int(TrepPictureView*)> AddPicture;

private:
  void PictureChangedNotify();
  // The graphic into the view's area as its settings place it; EInvalidGraphic when it cannot.
  void DrawPicture(gfx::TCanvas& Canvas, const gfx::TGraphic* G, double ScaleX, double ScaleY);
  std::unique_ptr<gfx::TPicture> FPicture;
  bool FAutoSize = false;
};

enum TrepCheckStyle { csCross, csCheck, csLineCross, csPlus };
enum TrepUncheckStyle { usEmpty, usCross, usLineCross, usMinus };

// A checked or unchecked mark, from a data field, an expression or a click in the preview.
class TrepCheckBoxView : public TrepView {
public:
  RT_CLASS_INFO(TrepCheckBoxView)
  explicit TrepCheckBoxView(rt::TComponent* AOwner);
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  void GetData() override;
  // A click in the preview toggles the box (not in the designer); returns False.
  bool DoMouseDown();

  gfx::TColor CheckColor = gfx::clBlack;
  bool Checked = true;
  TrepCheckStyle CheckStyle = csCross;
  TrepUncheckStyle UncheckStyle = usEmpty;
  std::string Expression;

private:
  void DrawCheck(const gfx::TRect& R);
};
