#pragma once
// The grammar documents of the script languages, compiled in from data/grammars/*.xml.
#include <string_view>

// The document of the file Name.xml; empty when there is no such file.
std::string_view scEmbeddedGrammar(std::string_view Name);
