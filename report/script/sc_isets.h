#pragma once
// Set values as scripts hand them over.
#include "platform/rt/Variants.h"

// The bits of a set value: a set constructor's members ORed, or the value as an integer.
long long scSetBits(const rt::Variant& Value);
