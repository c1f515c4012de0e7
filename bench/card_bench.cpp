// Memory cards: the summary of a full card and the image of a freshly formatted card.

#include <benchmark/benchmark.h>

#include "../tests/saves/card_test_support.h"
#include "full_card.h"
#include "saves/card_format.h"
#include "saves/card_image.h"

namespace {

using namespace myr::saves;

void summarizeFullCard(benchmark::State& state) {
  test::TestCard card = myr::bench::fullCard();
  const CardText text = test::standInCardText();
  for (auto _ : state) {
    const CardSummary summary = summarizeCardImage(card.image(), text);
    benchmark::DoNotOptimize(summary.freeBytes);
    if (summary.saves.size() != 100 || summary.freeBytes > 100 * 1024) {
      state.SkipWithError("the card is not full");
    }
  }
}
BENCHMARK(summarizeFullCard)->Unit(benchmark::kMillisecond);

void buildFormattedImage(benchmark::State& state) {
  const std::tm time = test::formatTime();
  for (auto _ : state) {
    std::string image = buildFormattedCard(time);
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(buildFormattedImage)->Unit(benchmark::kMillisecond);

}  // namespace
