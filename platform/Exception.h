#pragma once

#include <stdexcept>
#include <string>

// The one error class of the system: an English message, shown to the user as it stands.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};
