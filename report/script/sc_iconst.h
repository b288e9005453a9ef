#pragma once
// Compile-time messages of the script engine. Process-wide texts, set when the program starts;
// the report engine may replace each of them from its resource table before reports run.
#include <string>

extern std::string SLangNotFound;       // "%s": the language name
extern std::string SInvalidLanguage;
extern std::string SIdRedeclared;       // followed by the name in apostrophes
extern std::string SUnknownType;        // followed by the name in apostrophes
extern std::string SIncompatibleTypes;
extern std::string SIdUndeclared;       // followed by the name in apostrophes
extern std::string SClassRequired;
extern std::string SIndexRequired;
extern std::string SStringError;
extern std::string SClassError;         // "%s": the class name
extern std::string SArrayRequired;
extern std::string SVarRequired;
extern std::string SNotEnoughParams;
extern std::string STooManyParams;
extern std::string SLeftCantAssigned;
extern std::string SForError;
extern std::string SEventError;

// Fmt with its first "%s" replaced by Arg.
std::string scFormatMessage(const std::string& Fmt, const std::string& Arg);
