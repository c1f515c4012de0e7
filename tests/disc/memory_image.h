#pragma once

// An image held in memory, read like the image file.

#include <algorithm>
#include <string>

#include "disc/iso9660.h"

namespace myr::disc::testing {

class MemoryImage : public ImageBytes {
 public:
  explicit MemoryImage(std::string bytes) : bytes_(std::move(bytes)) {}

  Status readAt(std::uint64_t position, std::span<std::uint8_t> into) override {
    if (position > bytes_.size() || into.size() > bytes_.size() - position) {
      return Error{"Reached the end of the file", 38};
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position), into.size(), into.begin());
    return {};
  }

  std::uint64_t size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

}  // namespace myr::disc::testing
