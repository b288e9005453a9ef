// Fuzzes the grammar-driven parser with the D++Uderir grammar.
static const char* const kLanguage = "D++Uderir";
#include "ScriptParserFuzz.inc"
