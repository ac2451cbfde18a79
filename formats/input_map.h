// The files of the next batch. Entries keep the order in which they were added, so the
// batch, the window's list and "%n%" numbering all follow the user's order.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace rastrel {

struct InputEntry {
  std::string path;               // exactly as the caller passed it
  std::string relativeSubfolder;  // ends in '/' or is empty
};

class InputMap {
 public:
  bool Contains(const std::string& path) const { return index_.count(path) != 0; }
  // False when the path is already present.
  bool Add(std::string path, std::string relativeSubfolder) {
    if (Contains(path)) return false;
    index_.emplace(path, entries_.size());
    entries_.push_back({std::move(path), std::move(relativeSubfolder)});
    return true;
  }
  void Remove(const std::string& path);
  void Clear() {
    entries_.clear();
    index_.clear();
  }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::vector<InputEntry>& entries() const { return entries_; }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  std::vector<InputEntry> entries_;
  std::unordered_map<std::string, std::size_t> index_;
};

inline void InputMap::Remove(const std::string& path) {
  auto found = index_.find(path);
  if (found == index_.end()) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(found->second));
  index_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].path, i);
}

}  // namespace rastrel
