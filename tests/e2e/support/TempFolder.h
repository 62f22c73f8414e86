#pragma once

#include <filesystem>

namespace e2e {

// A new, private folder under the system's temporary folder, removed with everything in it when
// the object goes.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();

  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace e2e
