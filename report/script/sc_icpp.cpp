#include "report/script/sc_icpp.h"

#include <string>

#include "report/script/sc_grammars.h"
#include "report/script/sc_iparser.h"

void sc_icppInitialization() {
  AddScriptLanguage("D++Uderir", std::string(scEmbeddedGrammar("D++Uderir")));
}
