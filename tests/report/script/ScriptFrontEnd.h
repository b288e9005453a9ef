#pragma once
// Helpers of the front-end tests: registering the languages, parsing a text and writing the
// intermediate program in a compact form.
#include <string>

#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_iparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_xml.h"

namespace scfront {

inline void RegisterLanguages() {
  sc_ipascalInitialization();
  sc_icppInitialization();
  sc_ibasicInitialization();
  sc_ijsInitialization();
}

// Line ends as the script component hands them over: carriage return and line feed.
inline std::string Crlf(const std::string& S) {
  std::string R;
  for (char C : S) {
    if (C == '\n') R += '\r';
    R += C;
  }
  return R;
}

// An element as name(children...), an element with a text attribute as name:text. With Flat,
// compoundstmt elements give their children in their place (they group statements, nothing
// more). The types element is left out.
inline std::string Shape(const TscXMLItem* Item, bool Flat = false) {
  std::string S;
  for (int I = 0; I < Item->Count(); ++I) {
    const TscXMLItem* Child = Item->Items(I);
    if (Child->Name == "types") continue;
    std::string C;
    if (Flat && Child->Name == "compoundstmt") {
      C = Shape(Child, Flat);
      if (C.empty()) continue;
    } else {
      C = Child->Name;
      if (Child->PropExists("text")) C += ":" + Child->Prop("text");
      if (Child->PropExists("unit")) C += ":" + Child->Prop("unit");
      if (Child->Count() > 0) {
        const std::string Inner = Shape(Child, Flat);
        if (!Inner.empty() || !Flat) C += "(" + Inner + ")";
      }
    }
    if (!S.empty()) S += " ";
    S += C;
  }
  return S;
}

// The document as one line without its header.
inline std::string OneLine(TscXMLDocument& Doc) {
  rt::TStringStream Stream;
  Doc.AutoIndent = false;
  Doc.SaveToStream(Stream);
  std::string S = Stream.DataString();
  return S.substr(S.find("?>") + 2);
}

struct TParsed {
  bool Ok = false;
  std::string Msg;
  std::string Pos;
  std::string Shape;  // of the program's elements, types left out
  std::string Xml;    // the whole document on one line
};

inline TParsed Parse(const std::string& Language, const std::string& Text, bool Flat = false) {
  TscCustomILParser P;
  P.SelectLanguage(Language);
  TParsed R;
  R.Ok = P.MakeILScript(Crlf(Text));
  R.Msg = P.ErrorMsg;
  R.Pos = P.ErrorPos;
  if (R.Ok) {
    R.Shape = Shape(P.ILScript().Root(), Flat);
    R.Xml = OneLine(P.ILScript());
  }
  return R;
}

}  // namespace scfront
