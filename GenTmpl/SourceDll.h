// GeneratorLibrary: a custom generator library, a shared object exporting the
// C functions
//   void Install(const char* parameter)   optional, called once after loading
//   const char* GetValue(int)              one value per call, always given 0
// The library stays loaded for the object's life and is closed with it.
//
// REQUIRES: the library's own code is trusted: loading it runs its code.
#pragma once

#include <memory>
#include <string>

class GeneratorLibrary {
 public:
  GeneratorLibrary();
  ~GeneratorLibrary();
  GeneratorLibrary(const GeneratorLibrary&) = delete;
  GeneratorLibrary& operator=(const GeneratorLibrary&) = delete;

  // Loads `name`: the file as given when it can be read, else the file of
  // that name in the program's own folder; the system's library search path
  // is never used. Calls Install with `name` when the library exports it.
  // Returns 0, or -1 with `error` set when no such file loads.
  int Load(const std::string& name, std::string& error);
  bool HasGetValue() const { return getValue_ != nullptr; }
  // Appends the text GetValue(0) returns (nothing without GetValue or for a
  // null result).
  void Value(std::string& out) const;

 private:
  struct Close {
    void operator()(void* handle) const;
  };
  using GetValueFn = const char* (*)(int);

  std::unique_ptr<void, Close> handle_;
  GetValueFn getValue_ = nullptr;
};

// The folder of the running program, with a trailing "/"; empty when unknown.
std::string ProgramFolder();
