// Memory cards: the summary of a full card (a hundred saves with long cluster chains) and the
// image of a freshly formatted card.

#include <benchmark/benchmark.h>

#include "../tests/saves/card_test_support.h"
#include "saves/card_format.h"
#include "saves/card_image.h"

namespace {

using namespace myr::saves;

test::TestCard fullCard() {
  const std::string title = "\x83\x7E\x83\x8D\x81\x5B\x83\x45\x83\x46\x83\x93\x82\x72\x82\x60\x82\x75\x82\x64";
  std::vector<test::TestSave> saves;
  for (int i = 0; i < 100; ++i) {
    saves.push_back({"BISLPM-65001MYR" + std::to_string(i),
                     {{"icon.sys", test::iconSys(title, 12)}, {"MYR", std::string(75 * 1024, 'x')}, {"A", "small"}},
                     {2024, 3, 15, 21, 4, 5}});
  }
  return test::TestCard(saves);
}

void summarizeFullCard(benchmark::State& state) {
  test::TestCard card = fullCard();
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
