#include "platform/rt/SysUtils.h"
