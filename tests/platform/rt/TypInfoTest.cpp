// Class descriptions: published properties in declaration order, defaults, enumeration
// identifiers, and the class registry.
#include <gtest/gtest.h>

#include "platform/rt/Components.h"
#include "platform/rt/TypInfo.h"

namespace {

class TBaseThing : public rt::TObject {
public:
  RT_CLASS_INFO(TBaseThing)
  int Width = 0;
  int Kind = 0;
};

rt::TClass TBaseThing::ClassInfo() {
  static const rt::TClassInfo Info("TBaseThing", rt::TObject::ClassInfo(), [] { return new TBaseThing; },
      {rt::TPropInfo::Field<TBaseThing>("Width", rt::tkInteger, "", &TBaseThing::Width),
       rt::TPropInfo::Field<TBaseThing>("Kind", rt::tkEnumeration, "TKind", &TBaseThing::Kind)
           .WithDefault(1).WithEnumNames({"kNone", "kLine", "kBox"})});
  return &Info;
}

class TThing : public TBaseThing {
public:
  RT_CLASS_INFO(TThing)
  bool Visible = true;
};

rt::TClass TThing::ClassInfo() {
  static const rt::TClassInfo Info("TThing", TBaseThing::ClassInfo(), [] { return new TThing; },
      {rt::TPropInfo::Field<TThing>("Visible", rt::tkEnumeration, "Boolean", &TThing::Visible),
       rt::TPropInfo::Field<TBaseThing>("Anchor", rt::tkInteger, "", &TBaseThing::Width),
       rt::TPropInfo::Field<TBaseThing>("Width", rt::tkInteger, "", &TBaseThing::Width).WithDefault(5)});
  return &Info;
}

TEST(TypInfo, PublishedPropertiesKeepDeclarationOrderBaseFirst) {
  std::vector<std::string> Names;
  for (const rt::TPropInfo* P : TThing::ClassInfo()->PublishedProperties()) Names.push_back(P->Name);
  EXPECT_EQ(Names, (std::vector<std::string>{"Width", "Kind", "Visible", "Anchor"}));
  // A redeclared property keeps its place and takes the descendant's description.
  EXPECT_EQ(TThing::ClassInfo()->PublishedProperties()[0]->Default, 5);
  EXPECT_FALSE(TBaseThing::ClassInfo()->PublishedProperties()[0]->Default.has_value());
}

TEST(TypInfo, EnumerationIdentifiersBothWays) {
  const rt::TPropInfo* Kind = TThing::ClassInfo()->FindProperty("kind");
  const rt::TPropInfo* Visible = TThing::ClassInfo()->FindProperty("Visible");
  struct Case {
    const rt::TPropInfo* P;
    const char* Ident;
    int Value;
  };
  for (const Case& C : {Case{Kind, "kBox", 2}, Case{Kind, "KLINE", 1}, Case{Kind, "kCircle", -1},
                        Case{Visible, "true", 1}, Case{Visible, "False", 0}, Case{Visible, "Yes", -1}})
    EXPECT_EQ(C.P->EnumValue(C.Ident), C.Value) << C.Ident;
  EXPECT_EQ(Kind->EnumName(0), "kNone");
  EXPECT_EQ(Kind->EnumName(3), "");
  EXPECT_EQ(Visible->EnumName(1), "True");
}

TEST(TypInfo, ClassRegistryFindsClassesByNameIgnoringCase) {
  EXPECT_EQ(rt::GetClass("TThing"), nullptr);
  EXPECT_THROW(rt::FindClass("TThing"), rt::EClassNotFound);
  rt::RegisterClass(TThing::ClassInfo());
  EXPECT_EQ(rt::GetClass("tthing"), TThing::ClassInfo());
  EXPECT_EQ(rt::FindClass("TTHING"), TThing::ClassInfo());
  rt::UnRegisterClass(TThing::ClassInfo());
  EXPECT_EQ(rt::GetClass("TThing"), nullptr);
}

} // namespace
