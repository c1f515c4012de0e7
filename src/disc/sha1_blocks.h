#pragma once

// The compression function of SHA-1 over whole 64-byte blocks, in two implementations that
// give identical results.

#include <cstddef>
#include <cstdint>

namespace myr::disc {

void sha1BlocksPortable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

// Processors with SHA and SSE4.1 instructions only.
void sha1BlocksShaInstructions(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
bool processorHasShaInstructions();

}  // namespace myr::disc
