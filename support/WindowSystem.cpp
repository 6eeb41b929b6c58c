#include "support/WindowSystem.h"

#include <cstdlib>
#include <initializer_list>

bool WindowSystemAvailable() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}
