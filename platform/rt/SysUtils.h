#pragma once
// Exceptions of the runtime layer. Every failure the program reports carries the
// class name it was raised as and a message meant for the user.
#include <stdexcept>
#include <string>
#include <string_view>

namespace rt {

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& msg, std::string className = "Exception")
      : std::runtime_error(msg), FClassName(std::move(className)) {}
  const std::string& ClassName() const noexcept { return FClassName; }
  std::string Message() const { return what(); }

private:
  std::string FClassName;
};

// Declares a subclass whose ClassName() is its own name.
#define RT_DECLARE_EXCEPTION(Name, Base)                                      \
  class Name : public Base {                                                  \
  public:                                                                     \
    explicit Name(const std::string& msg, std::string className = #Name)      \
        : Base(msg, std::move(className)) {}                                  \
  };

RT_DECLARE_EXCEPTION(EConvertError, Exception)
RT_DECLARE_EXCEPTION(EMathError, Exception)
RT_DECLARE_EXCEPTION(EZeroDivide, EMathError)
RT_DECLARE_EXCEPTION(EInvalidOp, EMathError)
RT_DECLARE_EXCEPTION(EOverflow, EMathError)
RT_DECLARE_EXCEPTION(EListError, Exception)
RT_DECLARE_EXCEPTION(EStreamError, Exception)
RT_DECLARE_EXCEPTION(EFOpenError, EStreamError)
RT_DECLARE_EXCEPTION(EFCreateError, EStreamError)
RT_DECLARE_EXCEPTION(EReadError, EStreamError)
RT_DECLARE_EXCEPTION(EWriteError, EStreamError)
RT_DECLARE_EXCEPTION(EInvalidPointer, Exception)

// ---- Text helpers. Letter case means ASCII letters; other bytes (UTF-8) are left alone. ----

// <0, 0, >0 by byte value.
int CompareStr(std::string_view S1, std::string_view S2);
// As CompareStr with ASCII letters compared as lower case.
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
// Drops leading and trailing blanks and control characters.
std::string Trim(std::string_view S);

} // namespace rt
