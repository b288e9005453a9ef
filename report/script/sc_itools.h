#pragma once
// Declaration texts of native functions ("function Copy(s: String; from, count: Integer):
// String"), literal texts of the intermediate program, and position texts.
#include <memory>
#include <string>

#include "report/script/sc_iinterpreter.h"

// The item a declaration text describes: name, kind and type name of the result, macro flag and
// the parameters (TscParamItem) with by-reference flags and defaults. Owned by the caller; a
// text that stops early yields the parameters read so far.
std::unique_ptr<TscCustomVariable> ParseDeclarationSyntax(const std::string& Text, TscScript* Script);

// '' text -> String, integer text ("$" hexadecimal) -> Integer or Int64, else a real number
// ('.' decimal separator). Empty text -> Null. rt::EConvertError for anything else.
rt::Variant LiteralToVariant(const std::string& Text);

struct TscPoint {
  int X = 0;  // column
  int Y = 0;  // line
};
// "12:7" -> Y 12, X 7; (0, 0) for an empty text.
TscPoint ScriptPosToPoint(const std::string& Text);
