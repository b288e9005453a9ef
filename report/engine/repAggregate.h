#pragma once
// Totals shown by memos: SUM, AVG, MIN, MAX and COUNT calls found in memo expressions, each
// accumulating the rows of a data band and reset with the band that shows it.
//
// The layout engine and the band classes come later; until then the list is told the bands of
// a call (AddItem) and evaluates row expressions through Evaluate, which the engine sets to
// the report's expression evaluator.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Variants.h"

class TrepComponent;
class TrepReport;

enum TrepAggregateFunction { agSum, agAvg, agMin, agMax, agCount };

// Columns 0 to 1000 have their own totals once vertical columns are in use.
inline constexpr int repAggregateMaxColumn = 1000;

class TrepAggregateItem : public rt::TObject {
public:
  TrepAggregateFunction FAggregateFunction = agSum;
  TrepComponent* FBand = nullptr;  // the band whose rows are aggregated
  bool FCountInvisibleBands = false;
  bool FDontReset = false;
  std::u16string FExpression;  // empty for COUNT
  bool FIsPageFooter = false;
  int FItemsCount = 0;
  rt::Variant FItemsValue = rt::Variant::Null();
  bool FKeeping = false;
  int FLastCount = 0;
  rt::Variant FLastValue = rt::Variant::Null();
  int FSavedCount = 0;
  rt::Variant FSavedValue = rt::Variant::Null();
  std::string FMemoName;
  std::u16string FOriginalName;     // the call as written, trimmed
  TrepComponent* FParentBand = nullptr;  // the band that shows the total
  TrepReport* FReport = nullptr;
  int FTempItemsCount = 0;
  rt::Variant FTempItemsValue = rt::Variant::Null();
  int FVColumn = 0;

  // Evaluates the row expression; set by the list.
  std::function<rt::Variant(const std::u16string&)> Evaluate;

  // One row of the band.
  void Calc();
  void DeleteValue();
  void SaveValue();
  void RestoreValue();
  void Reset();
  void StartKeep();
  void EndKeep();
  // Never Null: a missing total is 0.
  rt::Variant Value() const;
  // True once vertical columns keep their own totals.
  bool HasColumns() const { return !FItemsArray.empty(); }

private:
  friend class TrepAggregateList;
  void ResetAll();
  // Per vertical column totals; empty until a row with a column of 1 or more arrives.
  std::vector<rt::Variant> FItemsArray;
  std::vector<int> FItemsCountArray;
};

// What the call finder asks of the report: a report variable's value by name (false when the
// name is no variable) and whether a name is a data field.
struct TrepAggregateScanContext {
  std::function<bool(const std::u16string& Name, std::u16string& Value)> Variable;
  std::function<bool(const std::u16string& Name)> IsDataField;
};

// The aggregate calls ("SUM(<a>, Band1)") in the expressions of a memo text enclosed in the
// memo's delimiters ("[,]": opening before the first comma, closing after it), in text order.
std::vector<std::u16string> repFindAggregateCalls(std::u16string_view Text, std::u16string_view Delimiters,
                                                  const TrepAggregateScanContext& Context);
// The same for one expression.
std::vector<std::u16string> repFindAggregateCallsInExpression(std::u16string_view Expression,
                                                              const TrepAggregateScanContext& Context);

class TrepReportPage;

class TrepAggregateList : public rt::TObject {
public:
  explicit TrepAggregateList(TrepReport* AReport) : FReport(AReport) {}
  ~TrepAggregateList() override;
  TrepAggregateList(const TrepAggregateList&) = delete;
  TrepAggregateList& operator=(const TrepAggregateList&) = delete;

  // Evaluates row expressions (the report's evaluator); a row value is Null without one.
  std::function<rt::Variant(const std::u16string&)> Evaluate;

  void Clear();
  int Count() const { return static_cast<int>(FList.size()); }
  TrepAggregateItem* Items(int Index) const { return FList.at(static_cast<std::size_t>(Index)).get(); }

  // A new item from a call's text: band named by its argument (through the report's objects;
  // DefaultBand when absent or unknown), flags 1 count invisible rows, 2 run across resets.
  // rt::EConvertError for flags that are no decimal number.
  TrepAggregateItem* AddItem(std::u16string_view CallText, const std::string& MemoName, TrepComponent* DefaultBand,
                             TrepComponent* ParentBand, bool IsPageFooter);

  // Items for the aggregate calls in the memos of a page: the footers and group footers of its
  // data bands (and vertical data bands themselves), then, when it has data bands, its page
  // footer, column footer and report summary. Bands' child chains are followed (each band once).
  void AddItems(TrepReportPage* Page);

  void AddValue(TrepComponent* Band, int VColumn);
  void DeleteValue(TrepComponent* Band);
  void SaveValue(TrepComponent* Band);
  void RestoreValue(TrepComponent* Band);
  void Reset(TrepComponent* ParentBand);
  void StartKeep();
  void EndKeep();
  // Every total from zero, running totals included.
  void ClearValues();
  // Null when no item fits.
  rt::Variant GetValue(TrepComponent* ParentBand, std::u16string_view ComplexName, int VColumn);
  rt::Variant GetValue(TrepComponent* ParentBand, int VColumn, std::string_view Name, std::u16string_view Expression,
                       TrepComponent* Band, int Flags);

private:
  std::vector<std::unique_ptr<TrepAggregateItem>> FList;
  TrepReport* FReport;
};
