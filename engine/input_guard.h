// The input files of the running batch, known by identity rather than by spelling, so that
// no save replaces one of them whatever path leads to it.
#pragma once

#include <string>
#include <vector>

#include "formats/input_map.h"
#include "platform/file_identity.h"

namespace rastrel {

class InputGuard {
 public:
  InputGuard() = default;
  // Looks up every input once; inputs that do not exist are not protected (there is
  // nothing to lose).
  explicit InputGuard(const InputMap& inputs);

  // True when something exists at `path` and it is one of the inputs.
  bool Protects(const std::string& path) const;

 private:
  std::vector<FileIdentity> identities_;  // sorted
};

}  // namespace rastrel
