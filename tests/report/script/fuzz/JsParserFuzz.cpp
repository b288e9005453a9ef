// Fuzzes the grammar-driven parser with the JScript grammar.
static const char* const kLanguage = "JScript";
#include "ScriptParserFuzz.inc"
