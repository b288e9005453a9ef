#include "webapp/StringVar.h"

rt::TStringList& StringList::List() const {
  if (!FData) FData = std::make_shared<rt::TStringList>();
  return *FData;
}

int StringList::Findfirst(const std::string& Stringtofind) const {
  int Result = -1;
  const rt::TStringList& L = List();
  for (int I = 0, N = L.Count(); I < N; ++I)
    if (L.Strings(I) == Stringtofind) Result = I;
  return Result;
}
