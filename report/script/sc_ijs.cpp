#include "report/script/sc_ijs.h"

#include <string>

#include "report/script/sc_grammars.h"
#include "report/script/sc_iparser.h"

void sc_ijsInitialization() {
  AddScriptLanguage("JScript", std::string(scEmbeddedGrammar("JScript")));
}
