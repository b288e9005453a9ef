// Lines, pictures and check boxes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repGraphicUtils.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

// ---------------------------------------------------------------------------------------------
// Lines

TrepCustomLineView::TrepCustomLineView(rt::TComponent* AOwner) : TrepStretcheable(AOwner) {
  frComponentStyle.Exclude(csDefaultDiff);
}

void TrepCustomLineView::DesignCreate(int Flags) {
  Diagonal = Flags != 0;
  ArrowEnd = Flags == 2 || Flags == 4;
  ArrowStart = Flags == 3 || Flags == 4;
}

std::string TrepCustomLineView::GetDescription() const { return ResourceTable().Get("obLine"); }

std::unique_ptr<gfx::TGraphic> TrepCustomLineView::GetVectorGraphic(bool DrawFill) {
  const double L = Left(), T = Top(), W = Width(), H = Height();
  if (W < 0) {
    SetLeft(L + W);
    SetWidth(-W);
  }
  if (H < 0) {
    SetTop(T + H);
    SetHeight(-H);
  }
  auto Restore = [&] {
    SetLeft(L);
    SetTop(T);
    SetWidth(W);
    SetHeight(H);
  };
  std::unique_ptr<gfx::TGraphic> G;
  try {
    G = TrepStretcheable::GetVectorGraphic(DrawFill);
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
  return G;
}

void TrepCustomLineView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  if (!Diagonal) {
    // A rule: vertical when it is not wider than high.
    if (Width() <= Height()) {
      SetWidth(0);
      Frame().Typ = TrepFrameTypes{ftLeft};
    } else {
      SetHeight(0);
      Frame().Typ = TrepFrameTypes{ftTop};
    }
  }
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  if (Diagonal) {
    DrawDiagonalLine();
    return;
  }
  PaintFrame();
  if (ArrowStart) DrawArrow(FX, FY, FX1, FY1);
  if (ArrowEnd) DrawArrow(FX1, FY1, FX, FY);
}

void TrepCustomLineView::DrawDiagonalLine() {
  const TrepFrame& F = Frame();
  if (F.Color() == gfx::clNone || F.Width() == 0) return;
  gfx::TCanvas& C = *FCanvas;
  C.Brush = LineColor == gfx::clNone ? gfx::TBrush{gfx::clWhite, gfx::bsClear} : gfx::TBrush{LineColor, gfx::bsSolid};
  gfx::TPenStyle S = gfx::psSolid;
  switch (F.Style()) {
    case fsDash: S = gfx::psDash; break;
    case fsDot: case fsAltDot: S = gfx::psDot; break;
    case fsDashDot: S = gfx::psDashDot; break;
    case fsDashDotDot: S = gfx::psDashDotDot; break;
    default: break;
  }
  C.Pen = gfx::TPen{F.Color(), 1, S};
  DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
  if (ArrowStart) DrawArrow(FX, FY, FX1, FY1);
  if (ArrowEnd) DrawArrow(FX1, FY1, FX, FY);
}

void TrepCustomLineView::DrawArrow(int TipX, int TipY, int OtherX, int OtherY) {
  gfx::TCanvas& C = *FCanvas;
  const double W = ArrowWidth * FScaleX, L = ArrowLength * FScaleX;
  double BX, BY, W1X, W1Y, W2X, W2Y;
  if (std::abs(TipX - OtherX) <= 8) {
    // Nearly vertical: the base straight above the tip, or below when the line runs down.
    BX = TipX;
    BY = TipY - L;
    if (OtherY > BY) BY = TipY + L;
    W1X = BX - W;
    W2X = BX + W;
    W1Y = W2Y = BY;
  } else {
    const double K = static_cast<double>(OtherY - TipY) / (OtherX - TipX);
    const double DX = L / std::sqrt(1 + K * K);
    BX = TipX + (OtherX > TipX ? DX : -DX);
    BY = TipY + K * (BX - TipX);
    const double Theta = std::atan(K);
    W1X = BX + W * std::sin(Theta);
    W1Y = BY - W * std::cos(Theta);
    W2X = BX - W * std::sin(Theta);
    W2Y = BY + W * std::cos(Theta);
  }
  const gfx::TPoint Tip{TipX, TipY};
  const gfx::TPoint A{RoundHalfEven(W1X), RoundHalfEven(W1Y)}, B{RoundHalfEven(W2X), RoundHalfEven(W2Y)};
  if (ArrowSolid) {
    C.Brush = gfx::TBrush{Frame().Color(), gfx::bsSolid};
    C.Polygon({Tip, A, B});
  } else {
    C.Pen.Width = RoundHalfEven(Frame().Width() * FScaleX);
    C.MoveTo(A.X, A.Y);
    C.LineTo(Tip.X, Tip.Y);
    C.LineTo(B.X, B.Y);
  }
}

bool TrepCustomLineView::IsContain(double X, double Y) const {
  double L = AbsLeft(), T = AbsTop(), R = L + Width(), B = T + Height();
  if (L > R) std::swap(L, R);
  if (T > B) std::swap(T, B);
  if (Width() == 0) {
    L -= 4;
    R += 4;
  } else if (Height() == 0) {
    T -= 4;
    B += 4;
  }
  const bool InBox = X >= L && X <= R && Y >= T && Y <= B;
  if (!Diagonal || Width() == 0 || Height() == 0) return InBox;
  if (X < L - 5 || X > R + 5 || Y < T - 5 || Y > B + 5) return false;
  // Distance from the line through the top-left corner with slope Height / Width.
  const double K = Height() / Width();
  const double D = std::abs(K * (X - AbsLeft()) - (Y - AbsTop())) / std::sqrt(1 + K * K);
  return D < 5 || InBox;
}

bool TrepCustomLineView::IsInRect(const TrepRect& aRect) const {
  double L = AbsLeft(), T = AbsTop(), R = L + Width(), B = T + Height();
  if (Diagonal && Width() != 0 && Height() != 0) {
    const double K = Height() / Width();
    auto Side = [&](double X, double Y) { return K * (X - AbsLeft()) - (Y - AbsTop()) > 0; };
    const bool S = Side(aRect.Left, aRect.Top);
    if (S == Side(aRect.Right, aRect.Top) && S == Side(aRect.Left, aRect.Bottom) && S == Side(aRect.Right, aRect.Bottom))
      return false;
  }
  if (L > R) std::swap(L, R);
  if (T > B) std::swap(T, B);
  return L >= aRect.Left && R <= aRect.Right && T >= aRect.Top && B <= aRect.Bottom;
}

// ---------------------------------------------------------------------------------------------
// Pictures

TrepPictureView::TrepPictureView(rt::TComponent* AOwner)
    : TrepView(AOwner), FPicture(std::make_unique<gfx::TPicture>()) {
  frComponentStyle.Exclude(csDefaultDiff);
  FPicture->OnChange = [this](gfx::TPicture*) { PictureChangedNotify(); };
}

TrepPictureView::~TrepPictureView() { FPicture->OnChange = nullptr; }

std::string TrepPictureView::GetDescription() const { return ResourceTable().Get("obPicture"); }

void TrepPictureView::PictureChangedNotify() {
  SetAutoSize(FAutoSize);
  PictureChanged = true;
}

void TrepPictureView::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (Value && FPicture->Graphic() != nullptr) {
    SetWidth(FPicture->Width());
    SetHeight(FPicture->Height());
  }
}

void TrepPictureView::SetPicture(const gfx::TPicture& Value) { FPicture->Assign(Value); }

void TrepPictureView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  if (!DrawAsMask) PaintFill();
  const gfx::TGraphic* G = FPicture->Graphic();
  if (G != nullptr && !G->Empty()) {
    try {
      DrawPicture(Canvas, G, ScaleX, ScaleY);
    } catch (const gfx::EInvalidGraphic& E) {
      // The picture stays out of the drawing; the report says why.
      if (TrepReport* R = Report()) R->Errors().Add((Name().empty() ? std::string() : Name() + ": ") + E.Message());
    }
  }
  PaintFrame();
  DrawCornerMarks();
}

void TrepPictureView::DrawPicture(gfx::TCanvas& Canvas, const gfx::TGraphic* G, double ScaleX, double ScaleY) {
  gfx::TRect R{FX, FY, FX1, FY1};
  const int PW = FPicture->Width(), PH = FPicture->Height();
  const bool UseTransparency = Transparent && TransparentColor != gfx::clNone;
  if (Stretched) {
    if (KeepAspectRatio) {
      const double KX = PW == 0 ? 0 : static_cast<double>(FDX) / PW;
      const double KY = PH == 0 ? 0 : static_cast<double>(FDY) / PH;
      if (KX < KY)
        R.Bottom = R.Top + RoundHalfEven(PH * KX);
      else
        R.Right = R.Left + RoundHalfEven(PW * KY);
      if (Center) {
        const int MX = (FDX + R.Left - R.Right) / 2, MY = (FDY + R.Top - R.Bottom) / 2;
        R = {R.Left + MX, R.Top + MY, R.Right + MX, R.Bottom + MY};
      }
    }
    DrawGraphic(Canvas, R, G, TransparentColor, UseTransparency, HightQuality, IsPrinting());
  } else {
    const auto OldClip = Canvas.ClipRect();
    Canvas.SetClipRect(gfx::TRect{FX, FY, FX1, FY1});
    if (Center) {
      R.Left += (FDX - RoundHalfEven(PW * ScaleX)) / 2;
      R.Top += (FDY - RoundHalfEven(PH * ScaleY)) / 2;
    }
    R.Right = R.Left + RoundHalfEven(ScaleX * PW);
    R.Bottom = R.Top + RoundHalfEven(ScaleY * PH);
    try {
      DrawGraphic(Canvas, R, G, TransparentColor, UseTransparency, HightQuality, IsPrinting());
    } catch (...) {
      Canvas.SetClipRect(OldClip);
      throw;
    }
    Canvas.SetClipRect(OldClip);
  }
}

std::int32_t TrepPictureView::LoadPictureFromStream(rt::TStream& s, bool ResetStreamPos) {
  const std::int64_t Start = ResetStreamPos ? 0 : s.Position();
  s.SetPosition(Start);
  const std::int64_t Size = s.Size();
  if (Size - Start <= 0) return 0;
  std::int64_t From = Start;
  if (Size - Start >= 8) {
    // A database's graphic header: word 1, word 256, the length of what follows.
    std::uint8_t H[8];
    s.ReadBuffer(H, 8);
    const std::uint32_t Len = H[4] | H[5] << 8 | H[6] << 16 | static_cast<std::uint32_t>(H[7]) << 24;
    if (H[0] == 1 && H[1] == 0 && H[2] == 0 && H[3] == 1 && static_cast<std::int64_t>(Len) == Size - 8) From = Start + 8;
    s.SetPosition(From);
  }
  std::string Bytes;
  try {
    Bytes = gfx::ReadGraphicBytes(s);
  } catch (const gfx::EInvalidGraphic&) {
    FPicture->Clear();
    return E_INVALIDARG;
  }
  auto G = gfx::NewGraphic(gfx::SniffGraphic(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size()));
  if (!G) {
    FPicture->Clear();
    return E_INVALIDARG;
  }
  rt::TMemoryStream M;
  M.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  M.SetPosition(0);
  try {
    G->LoadFromStream(M);
  } catch (const gfx::EInvalidGraphic&) {
    // A damaged picture is no picture; the caller hears of it through the result.
    FPicture->Clear();
    return E_INVALIDARG;
  }
  FPicture->SetGraphic(std::move(G));
  return 0;
}

void TrepPictureView::GetData() {
  TrepView::GetData();
  if (!FileLink.empty()) {
    const std::string Name = FileLink.find('[') != std::string::npos ? ExpandExpressions(FileLink) : FileLink;
    std::error_code Ec;
    if (!Name.empty() && std::filesystem::is_regular_file(Name, Ec)) {
      try {
        FPicture->LoadFromFile(Name);
      } catch (const std::exception&) {
        FPicture->Clear();
      }
    } else {
      FPicture->Clear();
    }
    return;
  }
  if (IsDataField()) {
    TrepDataSet* D = DataSet();
    if (D->IsBlobField(DataField)) {
      rt::TMemoryStream M;
      D->AssignBlobTo(DataField, &M);
      LoadPictureFromStream(M, true);
    }
  }
}

std::u16string TrepPictureView::Diff(const TrepComponent* AComponent) const {
  auto* Self = const_cast<TrepPictureView*>(this);
  if (PictureChanged && AddPicture) {
    Self->ImageIndex = AddPicture(Self);
    Self->PictureChanged = false;
  }
  std::u16string R = u" " + TrepView::Diff(AComponent);
  R += u" ImageIndex=\"" + rt::Utf8ToUtf16(std::to_string(ImageIndex)) + u"\"";
  if (Transparent) R += u" Transparent=\"1\"";
  if (TransparentColor != gfx::clWhite)
    R += u" TransparentColor=\"" + rt::Utf8ToUtf16(std::to_string(TransparentColor)) + u"\"";
  return R;
}

std::unique_ptr<gfx::TGraphic> TrepPictureView::GetVectorGraphic(bool DrawFill) {
  // The metafile's frame is stretched onto the view by whoever plays it.
  const auto* M = dynamic_cast<const gfx::TMetafile*>(FPicture->Graphic());
  if (M != nullptr && !M->Empty() && Stretched) {
    // Kept aspect that the view already has (to a pixel) stretches the same way.
    const double FitW = M->Height() > 0 ? double(M->Width()) * Height() / M->Height() : 0;
    if (!KeepAspectRatio || std::abs(FitW - Width()) < 1) return M->Clone();
  }
  return TrepView::GetVectorGraphic(DrawFill);
}

bool TrepPictureView::IsEMFExportable() {
  return TrepView::IsEMFExportable() && dynamic_cast<const gfx::TMetafile*>(FPicture->Graphic()) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Check boxes

TrepCheckBoxView::TrepCheckBoxView(rt::TComponent* AOwner) : TrepView(AOwner) {
  SetWidth(5 * fr01cm);
  SetHeight(5 * fr01cm);
}

std::string TrepCheckBoxView::GetDescription() const { return ResourceTable().Get("obChBox"); }

void TrepCheckBoxView::GetData() {
  TrepView::GetData();
  if (IsDataField()) {
    const rt::Variant V = DataSet()->GetValue(DataField);
    Checked = V.IsNull() ? false : V.ToBoolean();
  } else if (!Expression.empty()) {
    TrepReport* R = Report();
    if (R != nullptr && R->Evaluate) {
      const rt::Variant V = R->Evaluate(rt::Utf8ToUtf16(Expression));
      Checked = V.IsNull() ? false : V.ToBoolean();
    }
  }
}

bool TrepCheckBoxView::DoMouseDown() {
  if (IsDesigning()) return false;
  Checked = !Checked;
  return false;
}

void TrepCheckBoxView::DrawCheck(const gfx::TRect& R) {
  gfx::TCanvas& C = *FCanvas;
  C.Pen = gfx::TPen{CheckColor, 1, gfx::psSolid};
  auto Diagonals = [&] {
    DrawThickLine(R.Left, R.Top, R.Right, R.Bottom, FFrameWidth);
    DrawThickLine(R.Left, R.Bottom, R.Right, R.Top, FFrameWidth);
  };
  const int MY = R.Top + (R.Bottom - R.Top) / 2, MX = R.Left + (R.Right - R.Left) / 2;
  auto Minus = [&] { DrawThickLine(R.Left + 3, MY, R.Right - 2, MY, FFrameWidth); };
  // The symbol-font marks need text output, which is the text layer's: the same marks are
  // drawn as strokes here (a cross as the two diagonals, a tick as two strokes).
  auto Cross = [&] { Diagonals(); };
  auto Tick = [&] {
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;
    DrawThickLine(R.Left + W / 5, R.Top + H / 2, R.Left + W * 2 / 5, R.Bottom - H / 5, FFrameWidth);
    DrawThickLine(R.Left + W * 2 / 5, R.Bottom - H / 5, R.Right - W / 5, R.Top + H / 5, FFrameWidth);
  };
  if (Checked) {
    switch (CheckStyle) {
      case csCross: Cross(); break;
      case csCheck: Tick(); break;
      case csLineCross: Diagonals(); break;
      case csPlus:
        Minus();
        DrawThickLine(MX, R.Top + 3, MX, R.Bottom - 2, FFrameWidth);
        break;
    }
  } else {
    switch (UncheckStyle) {
      case usEmpty: break;
      case usCross: Cross(); break;
      case usLineCross: Diagonals(); break;
      case usMinus: Minus(); break;
    }
  }
}

void TrepCheckBoxView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  PaintFill();
  DrawCheck({FX, FY, FX1, FY1});
  PaintFrame();
}
