#include "GenTmpl/SourceDll.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace {

using InstallFn = void (*)(const char*);

bool Readable(const std::string& path) { return !path.empty() && ::access(path.c_str(), R_OK) == 0; }

}  // namespace

void GeneratorLibrary::Close::operator()(void* handle) const { dlclose(handle); }

GeneratorLibrary::GeneratorLibrary() = default;

GeneratorLibrary::~GeneratorLibrary() = default;

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return "";
  return exe.parent_path().string() + "/";
}

int GeneratorLibrary::Load(const std::string& name, std::string& error) {
  handle_.reset();
  getValue_ = nullptr;
  std::string path;
  if (Readable(name)) {
    // dlopen searches the system's folders for a name without a slash.
    path = name.find('/') == std::string::npos ? "./" + name : name;
  } else if (const std::string folder = ProgramFolder();
             !folder.empty() && !name.empty() && name.front() != '/' &&
             Readable(folder + name)) {
    path = folder + name;
  } else {
    error = "'" + name + "' can not be read";
    return -1;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : "'" + path + "' could not be loaded";
    return -1;
  }
  handle_.reset(handle);
  // dlsym yields data pointers; the exports are functions by contract.
  if (void* install = dlsym(handle, "Install"))
    reinterpret_cast<InstallFn>(install)(name.c_str());
  getValue_ = reinterpret_cast<GetValueFn>(dlsym(handle, "GetValue"));
  return 0;
}

void GeneratorLibrary::Value(std::string& out) const {
  if (!getValue_) return;
  if (const char* text = getValue_(0)) out += text;
}
