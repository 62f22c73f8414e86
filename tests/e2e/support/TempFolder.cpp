#include "tests/e2e/support/TempFolder.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>
#include <system_error>

namespace e2e {

TTempFolder::TTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zem-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace e2e
