// SHA-1 throughput of both engines, in the chunk size the extraction reads and in OpenSSL's
// largest "speed" block. bench/disc_extract_bench.sh compares it with openssl speed.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "disc/sha1.h"

namespace {

using myr::disc::Sha1;

void hashChunks(benchmark::State& state, Sha1::Engine engine) {
  if (engine == Sha1::Engine::ProcessorInstructions && !Sha1::hasProcessorInstructions()) {
    state.SkipWithError("this processor has no SHA instructions");
    return;
  }
  const std::vector<std::uint8_t> chunk(static_cast<std::size_t>(state.range(0)), 0x5A);
  Sha1 sha(engine);
  for (auto _ : state) {
    sha.update(chunk);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(sha.hexDigest());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void portable(benchmark::State& state) { hashChunks(state, Sha1::Engine::Portable); }
void shaInstructions(benchmark::State& state) { hashChunks(state, Sha1::Engine::ProcessorInstructions); }

}  // namespace

BENCHMARK(portable)->Arg(16384)->Arg(1 << 20);
BENCHMARK(shaInstructions)->Arg(16384)->Arg(1 << 20);
