#pragma once

// A fuzzer's bytes as a disc image: they start at the volume descriptor, since nothing reads the
// 32 KiB before it, so mutations land on the structures the readers parse.

#include <cstdint>
#include <string>

#include "disc/iso9660.h"

inline std::string discImageFromFuzzInput(const std::uint8_t* data, std::size_t size) {
  std::string image(myr::disc::kDescriptorOffset, '\0');
  image.append(reinterpret_cast<const char*>(data), size);
  return image;
}
