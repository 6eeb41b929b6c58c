#pragma once

// Set by the build from the project version.
#ifndef QUARNEL_VERSION
#define QUARNEL_VERSION "0.0.0"
#endif
inline constexpr const char* kQuarnelVersion = QUARNEL_VERSION;
