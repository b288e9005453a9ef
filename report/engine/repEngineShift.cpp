// Shifting the objects of a stretched container: a tree (each object hangs under the objects
// directly above it that it would collide with) or, for bands that ask for it, a list in top order.
#include <algorithm>
#include <cmath>

#include "report/engine/repEngine.h"
#include "report/engine/repEngineParts.h"
#include "report/engine/repUtils.h"

using repengine::Eps;

namespace {

TrepRectArea AreaOf(const TrepComponent* C) {
  return TrepRectArea(C->Left(), C->Top(), C->Left() + C->Width(), C->Top() + C->Height());
}

} // namespace

// One object's place in its container's structure. It hears of its object's end and forgets it.
class TrepShiftItem : public rt::TObject, public TrepMessageHandler {
public:
  explicit TrepShiftItem(TrepReportComponent* AObj) : Obj(AObj) {
    if (Obj != nullptr && !IsRoot) Obj->ShiftObject = this;
  }
  ~TrepShiftItem() override {
    if (Obj != nullptr && Obj->ShiftObject == this) Obj->ShiftObject = nullptr;
  }
  void DefaultHandler(TrepMessage& Message) override {
    if (Message.Msg == repMsgObjectDestroyed && Message.Obj == Obj) Obj = nullptr;
  }
  TrepReportComponent* Obj;
  bool IsRoot = false;
  std::vector<TrepShiftItem*> Children;
  TrepShiftItem* FirstParent = nullptr;
  int RefCount = 0;
  double ShiftAmount = 0, ShiftedTo = 0, MinDist = 0;
  bool Shifted = false;
};

// The structure of one container: its nodes (owned here), the root of a tree or the top-ordered
// list of a linear band. The container's ShiftObject points here so that its end is heard.
class TrepShiftStructure : public rt::TObject, public TrepMessageHandler {
public:
  TrepShiftStructure(TrepObjectShifter* AShifter, TrepComponent* AContainer, bool ALinear)
      : Shifter(AShifter), Container(AContainer), Linear(ALinear) {
    if (auto* RC = dynamic_cast<TrepReportComponent*>(Container)) RC->ShiftObject = this;
  }
  ~TrepShiftStructure() override {
    Nodes.clear();
    if (auto* RC = dynamic_cast<TrepReportComponent*>(Container); RC != nullptr && RC->ShiftObject == this)
      RC->ShiftObject = nullptr;
  }
  void DefaultHandler(TrepMessage& Message) override {
    if (Message.Msg != repMsgObjectDestroyed || Message.Obj != Container) return;
    Container = nullptr;
    Shifter->ContainerToDestroyQueue(this);
  }

  void ShiftTree(TrepShiftItem* Node, double X);
  void ShiftList();

  TrepObjectShifter* Shifter;
  TrepComponent* Container;
  bool Linear;
  std::vector<std::unique_ptr<TrepShiftItem>> Nodes;
  TrepShiftItem* Root = nullptr;
  // Linear: nodes in top order.
  std::vector<TrepShiftItem*> List;
};

void TrepShiftStructure::ShiftTree(TrepShiftItem* Node, double X) {
  Node->Shifted = true;
  Node->ShiftedTo = X;
  const int RC = Node->IsRoot ? 0 : Node->RefCount;
  const TrepComponent* PObj = Node->IsRoot ? Container : Node->Obj;
  if (PObj == nullptr) return;
  const double ParentBottom = PObj->Top() + PObj->Height();
  const bool ParentIsPlainObject = !Node->IsRoot && dynamic_cast<const TrepBand*>(PObj) == nullptr;
  for (TrepShiftItem* C : Node->Children) {
    TrepReportComponent* O = C->Obj;
    if (O == nullptr) continue;
    double D = C->ShiftedTo;
    if (C->MinDist > 0 && RC > 0 && (C->MinDist > ParentBottom || std::fabs(C->MinDist - ParentBottom) <= Eps))
      continue;
    // Undo the move of the previous output before applying this one.
    if (C->MinDist <= 0 || RC == 0 || C->MinDist >= ParentBottom) {
      if (D != 0 && X != 0) O->SetTop(O->Top() - D);
    } else {
      O->SetTop(O->Top() - (D - C->ShiftAmount));
    }
    const auto* V = dynamic_cast<TrepView*>(O);
    const TrepShiftMode Mode = V != nullptr ? V->ShiftMode : smAlways;
    if (Mode == smAlways || X < 0) {
      O->SetTop(O->Top() + X);
      D = X + C->ShiftAmount;
    } else if (Mode == smDontShift) {
      D = C->ShiftAmount;
    } else if (ParentIsPlainObject && ParentBottom > O->Top()) {
      D = (ParentBottom - O->Top()) + C->ShiftAmount;
      O->SetTop(ParentBottom);
    }
    if (RC > 0) C->MinDist = std::max(C->MinDist, ParentBottom);
    if (!C->Shifted || std::fabs(C->ShiftedTo - D) >= Eps) ShiftTree(C, D);
  }
}

void TrepShiftStructure::ShiftList() {
  for (std::size_t I = 0; I < List.size(); ++I) {
    TrepShiftItem* Q = List[I];
    if (Q->Obj == nullptr) continue;
    const double B = Q->ShiftAmount, C = Q->ShiftedTo;
    const double Bottom = Q->Obj->Top() + Q->Obj->Height();
    for (std::size_t J = I + 1; J < List.size(); ++J) {
      TrepShiftItem* R = List[J];
      TrepReportComponent* S = R->Obj;
      if (S == nullptr) continue;
      const auto* V = dynamic_cast<TrepView*>(S);
      const TrepShiftMode Mode = V != nullptr ? V->ShiftMode : smAlways;
      if (Mode == smDontShift) continue;
      if (S->Top() < Bottom - B - Eps) continue;
      if (Mode == smWhenOverlapped &&
          (S->Left() > Q->Obj->Left() + Q->Obj->Width() - Eps || S->Left() + S->Width() - Eps < Q->Obj->Left()))
        continue;
      double O = R->ShiftedTo;
      const double T = Bottom + C, U = B + C;
      if (B > 0 || (R->Shifted && S->Top() + O < T))
        O = std::max(O, U);
      else
        O = std::min(O, U);
      if (R->Shifted && R->MinDist < S->Top() + O) break;
      R->MinDist = std::max(R->MinDist, T);
      R->ShiftedTo = O;
      R->Shifted = true;
    }
  }
  for (TrepShiftItem* N : List)
    if (N->Obj != nullptr) N->Obj->SetTop(N->Obj->Top() + N->ShiftedTo);
}

TrepObjectShifter::TrepObjectShifter() = default;
TrepObjectShifter::~TrepObjectShifter() {
  ClearDestroyQueue();
  Clear();
}

void TrepObjectShifter::Clear() { FContainers.clear(); }

void TrepObjectShifter::ClearContainer(TrepComponent* Container) { FContainers.erase(Container); }

void TrepObjectShifter::ClearDestroyQueue() { FDestroyQueue.clear(); }

void TrepObjectShifter::ContainerToDestroyQueue(TrepShiftStructure* S) {
  for (auto It = FContainers.begin(); It != FContainers.end(); ++It)
    if (It->second.get() == S) {
      FDestroyQueue.push_back(std::move(It->second));
      FContainers.erase(It);
      return;
    }
}

void TrepObjectShifter::PrepareShiftTree(TrepComponent* Container) {
  ClearDestroyQueue();
  if (Container == nullptr || FContainers.count(Container) != 0) return;
  auto* Band = dynamic_cast<TrepBand*>(Container);
  if (Band != nullptr && Band->ShiftEngine == seDontShift) return;
  // Nothing moves in a container none of whose objects can change height; the tree compares
  // every pair of objects, so such containers (a page of fixed cells) go without one.
  bool CanChange = false;
  for (TrepComponent* C : Container->Objects())
    if (auto* S = dynamic_cast<TrepStretcheable*>(C); S != nullptr && (S->StretchMode != smDontStretch || S->CanShrink))
      CanChange = true;
  if (!CanChange) return;
  const bool Linear = Band != nullptr && Band->ShiftEngine == seLinear;
  auto S = std::make_unique<TrepShiftStructure>(this, Container, Linear);

  struct TEntry {
    TrepShiftItem* Node;
    double Top;
  };
  std::vector<TEntry> L;
  const double W = Container->Width();
  if (W > 0)
    for (TrepComponent* C : Container->Objects()) {
      auto* RC = dynamic_cast<TrepReportComponent*>(C);
      if (RC == nullptr) continue;
      const double Left = C->Left(), Right = C->Left() + C->Width();
      if ((Left >= 0 && Left <= W) || (Right >= 0 && Right <= W)) {
        S->Nodes.push_back(std::make_unique<TrepShiftItem>(RC));
        L.push_back({S->Nodes.back().get(), C->Top()});
      }
    }
  std::stable_sort(L.begin(), L.end(), [](const TEntry& A, const TEntry& B) { return A.Top < B.Top; });

  if (Linear) {
    for (const TEntry& E : L) S->List.push_back(E.Node);
  } else {
    auto RootNode = std::make_unique<TrepShiftItem>(nullptr);
    RootNode->IsRoot = true;
    TrepShiftItem* Root = RootNode.get();
    S->Nodes.push_back(std::move(RootNode));
    std::vector<TrepShiftItem*> Pos{Root};
    for (const TEntry& E : L) Pos.push_back(E.Node);
    std::vector<TrepRectArea> Areas;
    Areas.reserve(Pos.size());
    // The root lies above every object: one that touches the container's top edge (the
    // commonest place for a growing memo) is then a child like any other and pushes what is
    // below it.
    double Above = 0;
    for (const TEntry& E : L) Above = std::min(Above, E.Top);
    Areas.emplace_back(0, Above - 2, W + 1, Above - 1);
    for (std::size_t I = 1; I < Pos.size(); ++I) Areas.push_back(AreaOf(Pos[I]->Obj));
    for (std::size_t I = 0; I < Pos.size(); ++I) {
      if (Pos[I] == nullptr) continue;
      for (std::size_t J = I + 1; J < Pos.size(); ++J) {
        if (Pos[J] == nullptr) continue;
        const TrepRectArea &AI = Areas[I], &AJ = Areas[J];
        if (AI.InterceptsY(AJ) || !(AI.Y < AJ.Y) || !AI.InterceptsX(AJ)) continue;
        const std::unique_ptr<TrepRectArea> Common = AI.InterceptX(AJ);
        bool Blocked = false;
        for (std::size_t K = J - 1; K > I && !Blocked; --K) {
          if (Pos[K] == nullptr) continue;
          const TrepRectArea& AK = Areas[K];
          const double HK = AK.Y1 - AK.Y, HJ = AJ.Y1 - AJ.Y;
          if (((HK > 0 && HJ > 0) || AJ.Y > AK.Y + Eps) && !AK.InterceptsY(AI) && !AK.InterceptsY(AJ) && Common &&
              AK.InterceptsX(*Common))
            Blocked = true;
        }
        if (!Blocked && (I == 0 || Pos[I]->RefCount > 0)) {
          Pos[I]->Children.push_back(Pos[J]);
          ++Pos[J]->RefCount;
        }
      }
      // An object nothing above can push never moves; it needs no node.
      if (I != 0 && Pos[I]->RefCount == 0) {
        TrepShiftItem* Dead = Pos[I];
        if (Dead->Obj != nullptr && Dead->Obj->ShiftObject == Dead) Dead->Obj->ShiftObject = nullptr;
        Dead->Obj = nullptr;
        Pos[I] = nullptr;
      }
    }
    S->Root = Root;
  }
  FContainers.emplace(Container, std::move(S));
}

void TrepObjectShifter::InitShiftAmount(TrepComponent* AObject, double ShiftAmount) {
  auto* RC = dynamic_cast<TrepReportComponent*>(AObject);
  if (RC == nullptr) return;
  auto* N = dynamic_cast<TrepShiftItem*>(RC->ShiftObject);
  if (N == nullptr) return;
  N->ShiftAmount = ShiftAmount;
  N->ShiftedTo = 0;
  N->MinDist = 0;
  N->Shifted = false;
}

void TrepObjectShifter::ShiftObjects(TrepComponent* Container) {
  ClearDestroyQueue();
  auto It = FContainers.find(Container);
  if (It == FContainers.end()) return;
  TrepShiftStructure* S = It->second.get();
  if (S->Linear) {
    S->ShiftList();
  } else if (S->Root != nullptr) {
    S->Root->Shifted = false;
    S->Root->ShiftedTo = 0;
    S->ShiftTree(S->Root, 0);
  }
}
