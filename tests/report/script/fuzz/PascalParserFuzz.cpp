// Fuzzes the grammar-driven parser with the PascalScript grammar.
static const char* const kLanguage = "PascalScript";
#include "ScriptParserFuzz.inc"
