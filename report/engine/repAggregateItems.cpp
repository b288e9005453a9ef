// Finding the aggregate calls of a report page: which bands show totals and over which data band.
#include <algorithm>
#include <set>

#include "platform/rt/Unicode.h"
#include "report/engine/repAggregate.h"
#include "report/engine/repClass.h"

namespace {

// The data level of a band: master 0, detail 1 ... (a plain data band counts as a master).
int DataLevel(const TrepDataBand* D) { return std::max(0, D->BandNumber() - 6); }

struct TScan {
  TrepAggregateList& List;
  TrepReport* Report;
  TrepAggregateScanContext Context;
  std::set<const TrepBand*> Scanned;

  void Memo(TrepCustomMemoView* M, TrepComponent* DefaultBand) {
    if (!M->AllowExpressions) return;
    TrepBand* Parent = nullptr;
    for (TrepComponent* C = M->Parent(); C != nullptr && Parent == nullptr; C = C->Parent())
      Parent = dynamic_cast<TrepBand*>(C);
    if (Parent != nullptr && Parent->Vertical) {
      auto* Original = dynamic_cast<TrepBand*>(M->OriginalBand);
      if (dynamic_cast<TrepReportSummary*>(Original) || dynamic_cast<TrepPageFooter*>(Original) ||
          dynamic_cast<TrepFooter*>(Original) || dynamic_cast<TrepGroupFooter*>(Original))
        Parent = Original;
    }
    const std::u16string Delims = rt::Utf8ToUtf16(M->ExpressionDelimiters);
    for (const std::u16string& Call : repFindAggregateCalls(M->Text(), Delims, Context))
      List.AddItem(Call, M->Name(), DefaultBand, Parent, dynamic_cast<TrepPageFooter*>(Parent) != nullptr);
  }

  // The band's memos, then its chain of children; every band once, so a looped chain ends.
  void Band(TrepBand* B, TrepComponent* DefaultBand) {
    for (; B != nullptr && Scanned.insert(B).second; B = B->Child()) {
      for (TrepComponent* C : B->AllObjects())
        if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) Memo(M, DefaultBand);
    }
  }
};

} // namespace

void TrepAggregateList::AddItems(TrepReportPage* Page) {
  if (Page == nullptr) return;
  TScan Scan{*this, FReport, {}, {}};
  if (FReport != nullptr) {
    TrepReport* R = FReport;
    Scan.Context.Variable = [R](const std::u16string& Name, std::u16string& Value) {
      const std::string N = rt::Utf16ToUtf8(Name);
      if (R->Variables().IndexOf(N) < 0) return false;
      const rt::Variant V = R->Variables().Variables(N);
      Value = V.IsNull() || V.IsEmpty() ? std::u16string() : V.ToUString();
      return true;
    };
    Scan.Context.IsDataField = [R](const std::u16string& Name) {
      TrepDataSet* D = nullptr;
      std::string Field;
      R->GetDatasetAndField(rt::Utf16ToUtf8(Name), D, Field);
      return D != nullptr && !Field.empty();
    };
  }

  // The page's bands in the order they stand: a data band owns the footers and group footers
  // below it up to the next data band of its own level or a higher one.
  std::vector<TrepBand*> Bands;
  for (TrepComponent* C : Page->Objects())
    if (auto* B = dynamic_cast<TrepBand*>(C)) Bands.push_back(B);
  std::stable_sort(Bands.begin(), Bands.end(), [](const TrepBand* A, const TrepBand* B) {
    return A->Vertical != B->Vertical ? !A->Vertical : (A->Vertical ? A->Left() < B->Left() : A->Top() < B->Top());
  });
  TrepDataBand* First = nullptr;
  for (std::size_t I = 0; I < Bands.size(); ++I) {
    auto* D = dynamic_cast<TrepDataBand*>(Bands[I]);
    if (D == nullptr) continue;
    if (First == nullptr && !D->Vertical) First = D;
    const int Level = DataLevel(D);
    // Details below open levels of their own; each footer closes the innermost one.
    int OpenDetails = 0;
    for (std::size_t J = I + 1; J < Bands.size(); ++J) {
      TrepBand* B = Bands[J];
      if (B->Vertical != D->Vertical) break;
      if (auto* Next = dynamic_cast<TrepDataBand*>(B)) {
        if (DataLevel(Next) <= Level) break;
        ++OpenDetails;
        continue;
      }
      const bool Footer = dynamic_cast<TrepFooter*>(B) != nullptr;
      if (!Footer && dynamic_cast<TrepGroupFooter*>(B) == nullptr) continue;
      if (OpenDetails > 0) {
        if (Footer) --OpenDetails;
        continue;
      }
      Scan.Band(B, D);
    }
    if (D->Vertical) Scan.Band(D, D);
  }
  if (First == nullptr) return;
  for (rt::TClass C : {TrepPageFooter::ClassInfo(), TrepColumnFooter::ClassInfo(), TrepReportSummary::ClassInfo()})
    Scan.Band(Page->FindBand(C), First);
}
