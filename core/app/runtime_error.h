// A runtime error with the number the error reporter shows beside its description.
#pragma once

#include <stdexcept>
#include <string>

namespace kelp {

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(long number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    long number() const { return number_; }

  private:
    long number_;
};

}  // namespace kelp
