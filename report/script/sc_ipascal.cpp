#include "report/script/sc_ipascal.h"

#include <string>

#include "report/script/sc_grammars.h"
#include "report/script/sc_iparser.h"

void sc_ipascalInitialization() {
  AddScriptLanguage("PascalScript", std::string(scEmbeddedGrammar("PascalScript")));
}
