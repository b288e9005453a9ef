// Fuzzes the grammar-driven parser with the RiravUdevad grammar.
static const char* const kLanguage = "RiravUdevad";
#include "ScriptParserFuzz.inc"
