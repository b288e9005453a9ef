#include "platform/rt/TypInfo.h"

#include <algorithm>

#include "platform/rt/Unicode.h"

namespace rt {

TClassInfo::TClassInfo(std::string ClassName, const TClassInfo* Parent, std::function<TObject*()> NewInstance,
                       std::vector<TPropInfo> Properties)
    : FClassName(std::move(ClassName)), FParent(Parent), FNewInstance(std::move(NewInstance)),
      FProperties(std::move(Properties)) {}

bool TClassInfo::InheritsFrom(const TClassInfo* AClass) const {
  for (const TClassInfo* C = this; C; C = C->FParent)
    if (C == AClass) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view Name) const {
  for (const TClassInfo* C = this; C; C = C->FParent)
    for (const TPropInfo& P : C->FProperties)
      if (Utf8CompareText(P.Name, Name) == 0) return &P;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TPropInfo*> R;
  for (const TClassInfo* C = this; C; C = C->FParent)
    for (const TPropInfo& P : C->FProperties)
      if (P.Kind != tkMethod && std::none_of(R.begin(), R.end(), [&](const TPropInfo* Q) { return Utf8CompareText(Q->Name, P.Name) == 0; }))
        R.push_back(&P);
  std::stable_sort(R.begin(), R.end(), [](const TPropInfo* A, const TPropInfo* B) {
    return Utf8CompareText(A->Name, B->Name) < 0;
  });
  return R;
}

TClass TObject::ClassInfo() {
  static const TClassInfo Info("TObject", nullptr, [] { return new TObject; });
  return &Info;
}

std::string TObject::ClassName() const { return ClassType()->ClassName(); }

} // namespace rt
