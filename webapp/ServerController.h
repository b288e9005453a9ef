#pragma once
#include "webapp/UserSessionUnit.h"

// The session object of the browser session whose request the calling thread serves.
// Valid only on a request thread (or inside a web::TCurrentApplicationScope); throws elsewhere.
TIWUserSession* UserSession();
