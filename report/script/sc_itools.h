#pragma once
// Declaration texts of native functions ("function Copy(s: String; from, count: Integer):
// String"), literal texts of the intermediate program, and position texts.
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Format.h"
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

// Typed argument records and Variants. A record owns its value, so nothing needs releasing by
// hand; ClearValueRecords only empties the list.
// ValueRecordToVariant: integers and Int64s as such, an object as its reference (an integer
// Variant), Booleans, characters as one-character strings, reals and currency as Doubles, the
// text kinds as strings, a Variant as a copy; every other kind Null.
rt::Variant ValueRecordToVariant(const rt::TVarRec& Record);
// One record per element of the Variant array Values (index 0 to its high bound): integers of
// 32 bits and less become integer records, Int64s 64-bit records, Doubles and dates real
// records, Booleans Boolean records, strings Unicode-string records, other kinds Variant
// records. EVariantInvalidArgError when Values is not an array.
void VariantToValueRecords(const rt::Variant& Values, std::vector<rt::TVarRec>& Records);
void ClearValueRecords(std::vector<rt::TVarRec>& Records);
