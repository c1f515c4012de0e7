// The game art of the demo disc's 512 x 768 8-bit figure picture: decoding, the figure matte, the
// nine resamples one by one and together, and the whole path from bytes to the nine pictures.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "art/figure_matte.h"
#include "art/game_art.h"

namespace {

using namespace myr::art;

const std::vector<std::uint8_t>& pictureBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::ifstream stream(MYR_ART_BENCH_PICTURE, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
  }();
  return bytes;
}

Tim2Picture decoded() {
  myr::Result<Tim2Picture> picture = decodeTim2(pictureBytes());
  if (!picture) {
    std::abort();
  }
  return std::move(*picture);
}

const Tim2Picture& matted() {
  static const Tim2Picture picture = [] {
    Tim2Picture result = decoded();
    extractFigureMatte(result);
    return result;
  }();
  return picture;
}

const FigureCrops& crops() {
  static const FigureCrops found = [] {
    myr::Result<FigureCrops> result = findFigureCrops(matted());
    if (!result) {
      std::abort();
    }
    return *result;
  }();
  return found;
}

void decode(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(decodeTim2(pictureBytes()));
  }
}
BENCHMARK(decode)->Unit(benchmark::kMillisecond);

// The matte reads only the colours, so running it again on the same picture is the same work.
void figureMatte(benchmark::State& state) {
  Tim2Picture picture = decoded();
  for (auto _ : state) {
    extractFigureMatte(picture);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(figureMatte)->Unit(benchmark::kMillisecond);

void figureCrops(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(findFigureCrops(matted()));
  }
}
BENCHMARK(figureCrops)->Unit(benchmark::kMillisecond);

void resampleOne(benchmark::State& state) {
  const auto size = static_cast<std::int32_t>(state.range(0));
  const CropBox& box = size <= 32 ? crops().head : crops().figure;
  for (auto _ : state) {
    benchmark::DoNotOptimize(resampleSquare(matted(), box, size));
  }
}
BENCHMARK(resampleOne)
    ->Arg(16)
    ->Arg(20)
    ->Arg(24)
    ->Arg(32)
    ->Arg(40)
    ->Arg(48)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond);

void nineResamples(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(iconImages(matted(), crops()));
  }
}
BENCHMARK(nineResamples)->Unit(benchmark::kMillisecond);

void pictureToNineImages(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(gameArtFromPicture(pictureBytes()));
  }
}
BENCHMARK(pictureToNineImages)->Unit(benchmark::kMillisecond);

}  // namespace
