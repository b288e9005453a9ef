#pragma once
// Bands and the subreport view (repClassBand.cpp).
#include "report/engine/repClassView.h"

class TrepChild;
class TrepDataSet;
class TrepMemoView;
class TrepReportPage;
class TrepUserDataSet;

// ---- Bands ----

enum TrepShiftEngine { seLinear, seTree, seDontShift };

// Gaps between a band's edges and the fill memo that paints its fill and frame.
class TrepFillGaps : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFillGaps)
  void Assign(const rt::TObject& Source);
  int Top = 0, Left = 0, Bottom = 0, Right = 0;
};

// A horizontal (or, with Vertical, vertical) strip of a report page that the layout engine
// prints. References to other objects (Child, the fill memo) are held as checked handles, so a
// freed object reads as nullptr.
class TrepBand : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepBand)
  explicit TrepBand(rt::TComponent* AOwner);
  ~TrepBand() override;

  // The band's place in the band class table (0 for classes outside it).
  int BandNumber() const;
  // The class name without its first "Trep" and then its first "Band": "MasterData".
  std::string BandName() const;
  std::string GetDescription() const override;
  // Bands draw nothing outside the designer.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

  // The band printed after this one; nullptr when none or freed.
  TrepChild* Child() const;
  // Refused (the resource "clCirRefNotAllow") when Value is this band or its chain of children
  // leads back to this band or runs round a cycle; Child then stays as it was.
  void SetChild(TrepChild* Value);

  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  TrepFillGaps& FillGap() { return FFillGap; }
  // The hidden memo that prints the band's fill and frame; nullptr when none.
  TrepMemoView* FillMemo() const;
  // Makes the fill memo unless the band is a null band or has the plain fill and no frame
  // sides; places it first among the band's objects.
  void CreateFillMemo();
  void DisposeFillMemo();

  bool AllowSplit = false;
  bool KeepChild = false;
  TrepNotifyEvent OnAfterCalcHeight;
  std::string OutlineText;
  bool Overflow = false;
  bool StartNewPage = false;
  bool Stretched = false;
  bool PrintChildIfInvisible = false;
  bool Vertical = false;
  double BandDesignHeader = 0;
  TrepShiftEngine ShiftEngine = seTree;
  // Working fields of the layout engine.
  std::vector<TrepBand*> SubBands;
  TrepBand* Header = nullptr;
  TrepBand* Footer = nullptr;
  TrepBand* Group = nullptr;
  int LineN = 0;
  int LineThrough = 0;
  bool HasVBands = false;

private:
  rt::Variant FChild;
  rt::Variant FFillMemo;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepFrame FFrame;
  TrepFillGaps FFillGap;
};

class TrepDataBand : public TrepBand {
public:
  RT_CLASS_INFO(TrepDataBand)
  explicit TrepDataBand(rt::TComponent* AOwner);
  ~TrepDataBand() override;
  // Checked on use: nullptr once the dataset is gone. Writing also takes its user name.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  // The dataset's user name when one is bound, else the stored name; writing binds the dataset
  // of that name.
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  int RowCount() const { return FRowCount; }
  // Also the record count of the virtual dataset the engine walks without a dataset.
  void SetRowCount(int Value);
  int CurColumn() const { return FCurColumn; }
  // Above Columns becomes 1; column 1 clears MaxY; Left follows the column.
  void SetCurColumn(int Value);
  TrepUserDataSet& VirtualDataSet() { return *FVirtualDataSet; }

  int Columns = 0;
  double ColumnWidth = 0;
  double ColumnGap = 0;
  std::string Filter;
  bool FooterAfterEach = false;
  bool KeepFooter = false;
  bool KeepHeader = false;
  bool KeepTogether = false;
  bool PrintIfDetailEmpty = false;
  TrepNotifyEvent OnMasterDetail;
  double MaxY = 0;

private:
  TrepDataSetLink FDataSet;
  int FRowCount = 0;
  int FCurColumn = 0;
  std::unique_ptr<TrepUserDataSet> FVirtualDataSet;
};

#define REP_DATA_LEVEL(Name)                  \
  class Name : public TrepDataBand {          \
  public:                                     \
    RT_CLASS_INFO(Name)                       \
    using TrepDataBand::TrepDataBand;         \
  };
REP_DATA_LEVEL(TrepMasterData)
REP_DATA_LEVEL(TrepDetailData)
REP_DATA_LEVEL(TrepSubdetailData)
REP_DATA_LEVEL(TrepDataBand4)
REP_DATA_LEVEL(TrepDataBand5)
REP_DATA_LEVEL(TrepDataBand6)
#undef REP_DATA_LEVEL

class TrepHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepHeader)
  using TrepBand::TrepBand;
  bool ReprintOnNewPage = false;
};

class TrepFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepFooter)
  using TrepBand::TrepBand;
};

class TrepPageHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepPageHeader)
  using TrepBand::TrepBand;
  bool PrintOnFirstPage = true;
};

class TrepPageFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepPageFooter)
  using TrepBand::TrepBand;
  bool PrintOnFirstPage = true;
  bool PrintOnLastPage = true;
  bool PrintOnSinglePage = false;
};

class TrepColumnHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepColumnHeader)
  using TrepBand::TrepBand;
};

class TrepColumnFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepColumnFooter)
  using TrepBand::TrepBand;
};

class TrepGroupHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepGroupHeader)
  using TrepBand::TrepBand;
  // The component's differences, then DrillName when the group drills down.
  std::u16string Diff(const TrepComponent* AComponent) const override;
  std::string Condition;
  std::string DrillName;
  bool DrillDown = false;
  bool ExpandDrillDown = false;
  bool ShowFooterIfDrillDown = false;
  bool ShowChildIfDrillDown = false;
  bool KeepTogether = false;
  bool ReprintOnNewPage = false;
  bool ResetPageNumbers = false;
  // The group's value at its last break (the engine's).
  rt::Variant LastValue;
};

class TrepGroupFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepGroupFooter)
  using TrepBand::TrepBand;
  bool HideIfSingleDataRecord = false;
};

class TrepReportTitle : public TrepBand {
public:
  RT_CLASS_INFO(TrepReportTitle)
  using TrepBand::TrepBand;
};

class TrepReportSummary : public TrepBand {
public:
  RT_CLASS_INFO(TrepReportSummary)
  using TrepBand::TrepBand;
  bool PrintAtBottom = false;
};

enum TrepToNRowsMode { rmCount, rmAddToCount, rmTillPageEnds };

class TrepChild : public TrepBand {
public:
  RT_CLASS_INFO(TrepChild)
  using TrepBand::TrepBand;
  int ToNRows = 0;
  TrepToNRowsMode ToNRowsMode = rmCount;
};

class TrepOverlay : public TrepBand {
public:
  RT_CLASS_INFO(TrepOverlay)
  using TrepBand::TrepBand;
  bool PrintOnTop = false;
};

class TrepNullBand : public TrepBand {
public:
  RT_CLASS_INFO(TrepNullBand)
  using TrepBand::TrepBand;
};

// The band classes by band number (0 .. 17).
const std::vector<rt::TClass>& BandClasses();

// A view standing for another report page laid out in its place.
class TrepSubreport : public TrepView {
public:
  RT_CLASS_INFO(TrepSubreport)
  explicit TrepSubreport(rt::TComponent* AOwner);
  ~TrepSubreport() override;
  std::string GetDescription() const override;
  // nullptr once the page is gone.
  TrepReportPage* Page() const;
  // Also makes the page point back to this subreport.
  void SetPage(TrepReportPage* Value);
  bool PrintOnParent = false;

private:
  rt::Variant FPage;
};
