#include "report/script/sc_ibasic.h"

#include <string>

#include "report/script/sc_grammars.h"
#include "report/script/sc_iparser.h"

void sc_ibasicInitialization() {
  AddScriptLanguage("RiravUdevad", std::string(scEmbeddedGrammar("RiravUdevad")));
}
