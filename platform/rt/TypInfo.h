#pragma once
// Class descriptions of the runtime layer: a class's name, its parent, how to make an instance
// and its published properties. Scripts reach host objects through them (class registration,
// the "is" operator, published property access).
//
// A class that scripts may see overrides TObject::ClassType() with RT_CLASS_INFO and describes
// itself in a static ClassInfo():
//
//   class TThing : public rt::TObject {
//   public:
//     RT_CLASS_INFO(TThing)
//     int Width = 0;
//   };
//   rt::TClass TThing::ClassInfo() {
//     static const rt::TClassInfo Info("TThing", rt::TObject::ClassInfo(), [] { return new TThing; },
//         {rt::TPropInfo::Integer<TThing>("Width", &TThing::Width)});
//     return &Info;
//   }
#include <any>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Variants.h"

namespace rt {

enum TTypeKind { tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass,
                 tkMethod, tkWChar, tkLString, tkWString, tkVariant, tkInt64, tkUString };

// One published property. Get gives the stored value as the kind holds it (ordinals, sets and
// enumerations as integers, objects as VarFromObject, texts as strings); Set stores such a value.
// A property without Set is read-only.
//
// An event property (tkMethod) has neither: SetMethod stores a handler, a std::function of the
// event's signature held in a std::any, and an empty std::any removes the handler.
struct TPropInfo {
  TPropInfo(std::string AName = {}, TTypeKind AKind = tkUnknown, std::string ATypeName = {},
            std::function<Variant(TObject*)> AGet = {}, std::function<void(TObject*, const Variant&)> ASet = {})
      : Name(std::move(AName)), Kind(AKind), TypeName(std::move(ATypeName)), Get(std::move(AGet)),
        Set(std::move(ASet)) {}
  std::string Name;
  TTypeKind Kind = tkUnknown;
  std::string TypeName;  // enumeration, set or class name; "Boolean" for Booleans; event type
  std::function<Variant(TObject*)> Get;
  std::function<void(TObject*, const Variant&)> Set;
  std::function<void(TObject*, const std::any&)> SetMethod;
  // The declared default of an ordinal property (streaming leaves equal values out); none means
  // the value is always written.
  std::optional<long long> Default;
  // False from Stored means the property is not written; empty means always stored.
  std::function<bool(TObject*)> Stored;
  // An enumeration's identifiers in ordinal order; empty for Booleans ("False", "True").
  std::vector<std::string> EnumNames;
  // The identifiers of an enumeration property (Booleans included); -1 for an unknown name or
  // value, letter case ignored.
  int EnumValue(std::string_view Ident) const;
  std::string EnumName(long long Value) const;

  TPropInfo&& WithDefault(long long Value) && { Default = Value; return std::move(*this); }
  TPropInfo&& WithStored(std::function<bool(TObject*)> F) && { Stored = std::move(F); return std::move(*this); }
  TPropInfo&& WithEnumNames(std::vector<std::string> Names) && { EnumNames = std::move(Names); return std::move(*this); }

  // A property kept in a plain field of T.
  template <class T, class F>
  static TPropInfo Field(std::string Name, TTypeKind Kind, std::string TypeName, F T::*Member) {
    TPropInfo P{std::move(Name), Kind, std::move(TypeName), {}, {}};
    P.Get = [Member](TObject* O) { return Variant(static_cast<T*>(O)->*Member); };
    P.Set = [Member, Kind](TObject* O, const Variant& V) { Store(static_cast<T*>(O)->*Member, V, Kind); };
    return P;
  }

  // An event kept in a std::function field of T. A handler of another signature raises
  // Exception.
  template <class T, class F>
  static TPropInfo Event(std::string Name, std::string TypeName, F T::*Member) {
    TPropInfo P{std::move(Name), tkMethod, std::move(TypeName), {}, {}};
    P.SetMethod = [Member, PropName = P.Name](TObject* O, const std::any& Handler) {
      if (!Handler.has_value()) {
        static_cast<T*>(O)->*Member = nullptr;
        return;
      }
      const F* H = std::any_cast<F>(&Handler);
      if (!H) throw Exception("The handler does not fit the event " + PropName);
      static_cast<T*>(O)->*Member = *H;
    };
    return P;
  }

private:
  static void Store(int& F, const Variant& V, TTypeKind) { F = V.ToInteger(); }
  static void Store(bool& F, const Variant& V, TTypeKind) { F = V.ToBoolean(); }
  static void Store(double& F, const Variant& V, TTypeKind) { F = V.ToDouble(); }
  static void Store(long long& F, const Variant& V, TTypeKind) { F = V.ToInt64(); }
  static void Store(std::string& F, const Variant& V, TTypeKind) { F = V.ToString(); }
  static void Store(std::u16string& F, const Variant& V, TTypeKind) { F = V.ToUString(); }
};

class TClassInfo {
public:
  // NewInstance makes an instance ready for its constructor member; empty for classes that
  // cannot be made on their own.
  TClassInfo(std::string ClassName, const TClassInfo* Parent, std::function<TObject*()> NewInstance = {},
             std::vector<TPropInfo> Properties = {});
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return FClassName; }
  const TClassInfo* ClassParent() const { return FParent; }
  // True for the class itself and every descendant of AClass.
  bool InheritsFrom(const TClassInfo* AClass) const;
  // nullptr when the class has no way to make instances.
  TObject* NewInstance() const { return FNewInstance ? FNewInstance() : nullptr; }
  // Own and inherited properties; names compared ignoring letter case, a descendant's first.
  const TPropInfo* FindProperty(std::string_view Name) const;
  // Own and inherited properties in ascending name order, events (tkMethod) left out.
  std::vector<const TPropInfo*> Properties() const;
  // Own and inherited properties in declaration order, base classes first; a redeclared
  // property keeps its base's place and takes the descendant's description.
  std::vector<const TPropInfo*> PublishedProperties() const;

private:
  std::vector<const TPropInfo*> MakePublishedProperties() const;
  mutable std::once_flag FPublishedOnce;
  mutable std::vector<const TPropInfo*> FPublished;
  mutable std::once_flag FIndexOnce;
  // Upper-cased ASCII property names, descendants' first.
  mutable std::unordered_map<std::string, const TPropInfo*> FIndex;
  std::string FClassName;
  const TClassInfo* FParent;
  std::function<TObject*()> FNewInstance;
  std::vector<TPropInfo> FProperties;
};

using TClass = const TClassInfo*;

// The class registry through which streamed data names the classes to make. Registering a name
// again replaces the entry. GetClass gives nullptr for an unknown name, FindClass raises
// EClassNotFound "Class X not found"; names compared ignoring letter case.
void RegisterClass(TClass AClass);
void UnRegisterClass(TClass AClass);
TClass GetClass(std::string_view ClassName);
TClass FindClass(std::string_view ClassName);

} // namespace rt

// Declares the class's description and returns it from ClassType().
#define RT_CLASS_INFO(Name)                                                   \
  static rt::TClass ClassInfo();                                              \
  rt::TClass ClassType() const override { return ClassInfo(); }
