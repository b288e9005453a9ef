#include "platform/rt/SysUtils.h"

#include <gtest/gtest.h>

TEST(Exception, CarriesClassNameAndMessageThroughBaseCatch) {
  try {
    throw rt::EZeroDivide("Floating point division by zero");
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.ClassName(), "EZeroDivide");
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }
}
