#pragma once
// The "PascalScript" script language.

// Registers the language's grammar in the language list. Called once at start-up.
void sc_ipascalInitialization();
