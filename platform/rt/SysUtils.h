#pragma once
// Exceptions of the runtime layer. Every failure the program reports carries the
// class name it was raised as and a message meant for the user.
#include <stdexcept>
#include <string>

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
RT_DECLARE_EXCEPTION(EInvalidPointer, Exception)

} // namespace rt
