#include "engine/input_guard.h"

#include <algorithm>

namespace rastrel {

InputGuard::InputGuard(const InputMap& inputs) {
  identities_.reserve(inputs.size());
  for (const InputEntry& entry : inputs) {
    if (auto identity = IdentifyFile(entry.path)) identities_.push_back(*identity);
  }
  std::sort(identities_.begin(), identities_.end());
}

bool InputGuard::Protects(const std::string& path) const {
  const auto identity = IdentifyFile(path);
  return identity && std::binary_search(identities_.begin(), identities_.end(), *identity);
}

}  // namespace rastrel
