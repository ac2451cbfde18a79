// A shared library loaded while the program runs, so that heavy dependencies (drawing, the
// window interface) cost nothing on paths that never use them.
#pragma once

#include <string>

namespace rastrel {

class SharedModule {
 public:
  // Never: for modules whose own dependencies cannot be unloaded safely (libraries that
  // register exit handlers or keep threads); the code stays until the process ends.
  enum class Unload { OnDestroy, Never };

  SharedModule() = default;
  // Loads `path` (a file name is looked up the way the system loader does); check loaded().
  explicit SharedModule(const std::string& path, Unload unload = Unload::OnDestroy);
  ~SharedModule();
  SharedModule(const SharedModule&) = delete;
  SharedModule& operator=(const SharedModule&) = delete;
  SharedModule(SharedModule&& other) noexcept;
  SharedModule& operator=(SharedModule&& other) noexcept;

  bool loaded() const { return handle_ != nullptr; }
  // Why loading failed; empty when it did not.
  const std::string& error() const { return error_; }

  // The address of an exported function, or null. The caller casts it to the one type it
  // was exported with.
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace rastrel
