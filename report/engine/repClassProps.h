#pragma once
// Building blocks for the published-property descriptions of report classes (what template
// files, the XML serializer and scripts see). A class lists its properties in declaration
// order in its ClassInfo(); the shared ones of the object tree are ready-made in repProp.
#include <optional>
#include <string>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/rt/TypInfo.h"
#include "report/engine/repClass.h"

namespace repProp {

// A Boolean field; Default is the declared stored default (none: always written).
template <class T>
rt::TPropInfo Bool(const char* Name, bool T::*Member, std::optional<bool> Default = std::nullopt) {
  rt::TPropInfo P = rt::TPropInfo::Field<T>(Name, rt::tkEnumeration, "Boolean", Member);
  if (Default) P.Default = *Default ? 1 : 0;
  return P;
}

template <class T>
rt::TPropInfo Int(const char* Name, int T::*Member, std::optional<int> Default = std::nullopt,
                  const char* Type = "Integer") {
  rt::TPropInfo P = rt::TPropInfo::Field<T>(Name, rt::tkInteger, Type, Member);
  if (Default) P.Default = *Default;
  return P;
}

template <class T>
rt::TPropInfo Float(const char* Name, double T::*Member) {
  return rt::TPropInfo::Field<T>(Name, rt::tkFloat, "Extended", Member);
}

template <class T>
rt::TPropInfo Str(const char* Name, std::string T::*Member) {
  return rt::TPropInfo::Field<T>(Name, rt::tkString, "string", Member);
}

// An enumeration field with its identifiers in ordinal order; other values are refused.
template <class T, class E>
rt::TPropInfo Enum(const char* Name, const char* Type, E T::*Member, std::vector<std::string> Names,
                   std::optional<E> Default = std::nullopt) {
  const long long Count = static_cast<long long>(Names.size());
  rt::TPropInfo P(
      Name, rt::tkEnumeration, Type,
      [Member](rt::TObject* O) { return rt::Variant(static_cast<int>(static_cast<T*>(O)->*Member)); },
      [Member, Count](rt::TObject* O, const rt::Variant& V) {
        const long long I = V.ToInt64();
        if (I < 0 || I >= Count) throw rt::EConvertError("Invalid property value");
        static_cast<T*>(O)->*Member = static_cast<E>(I);
      });
  P.EnumNames = std::move(Names);
  if (Default) P.Default = static_cast<long long>(*Default);
  return P;
}

// A TrepSet field, stored as its integer.
template <class T, class E>
rt::TPropInfo Set(const char* Name, const char* Type, TrepSet<E> T::*Member, std::optional<TrepSet<E>> Default = std::nullopt) {
  rt::TPropInfo P(
      Name, rt::tkSet, Type,
      [Member](rt::TObject* O) { return rt::Variant(static_cast<long long>((static_cast<T*>(O)->*Member).ToInt())); },
      [Member](rt::TObject* O, const rt::Variant& V) {
        static_cast<T*>(O)->*Member = TrepSet<E>::FromInt(static_cast<unsigned>(V.ToInt64()));
      });
  if (Default) P.Default = Default->ToInt();
  return P;
}

// An owned sub-object whose own properties are written with a dotted prefix ("Font.Name").
template <class T, class S>
rt::TPropInfo Object(const char* Name, const char* Type, S T::*Member) {
  return rt::TPropInfo(Name, rt::tkClass, Type,
                       [Member](rt::TObject* O) { return rt::VarFromObject(&(static_cast<T*>(O)->*Member)); });
}

// ---- The object tree's own properties, for the classes that publish them ----
rt::TPropInfo Left();
rt::TPropInfo Top();
rt::TPropInfo Width();
rt::TPropInfo Height();
rt::TPropInfo Font();        // written only while ParentFont is off
rt::TPropInfo ParentFont();  // default True
rt::TPropInfo Visible();     // default True
rt::TPropInfo Tag();         // default 0
rt::TPropInfo Description();
rt::TPropInfo IndexTag();    // written only when greater than 0
rt::TPropInfo GroupIndex();  // default 0
rt::TPropInfo Restrictions();  // default []
rt::TPropInfo Anchors();       // default [fraLeft, fraTop]
rt::TPropInfo AllowMirrorMode();  // default False

} // namespace repProp
