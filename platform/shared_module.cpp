#include "platform/shared_module.h"

#include <dlfcn.h>

#include <utility>

namespace rastrel {

SharedModule::SharedModule(const std::string& path, Unload unload) {
  // Symbols resolved at once: a module that cannot be bound fails here, not mid-batch.
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (unload == Unload::Never ? RTLD_NODELETE : 0));
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    error_ = why != nullptr ? why : "cannot load " + path;
  }
}

SharedModule::~SharedModule() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

SharedModule::SharedModule(SharedModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

SharedModule& SharedModule::operator=(SharedModule&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

void* SharedModule::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return ::dlsym(handle_, name);
}

}  // namespace rastrel
