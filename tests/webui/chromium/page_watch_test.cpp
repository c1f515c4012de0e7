// When the page counts as hung: only when the browser answers while the page does not.

#include "webui/browser/chromium/page_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace myr::browser::chromium {
namespace {

using namespace std::chrono_literals;

enum class Step { Ask, BrowserAnswers, PageAnswers, OldPageAnswers, NewDocument };

struct Event {
  int second;
  Step step;
};

// Runs the events on a watch with a hang time of 5 s; the seconds at which a hang was reported.
std::vector<int> hangsReported(const std::vector<Event>& events) {
  PageWatch watch(5s);
  const PageWatch::Clock::time_point start{};
  unsigned question = 0;
  unsigned previous = 0;
  std::vector<int> hangs;
  for (const Event& event : events) {
    const auto now = start + std::chrono::seconds(event.second);
    switch (event.step) {
      case Step::Ask:
        watch.askBrowser(now);
        if (const auto asked = watch.askPage(now)) {
          previous = question;
          question = *asked;
        }
        break;
      case Step::BrowserAnswers:
        if (watch.browserAnswered()) hangs.push_back(event.second);
        break;
      case Step::PageAnswers:
        watch.pageAnswered(question);
        break;
      case Step::OldPageAnswers:
        watch.pageAnswered(previous);
        break;
      case Step::NewDocument:
        watch.forgetPage();
        break;
    }
  }
  return hangs;
}

std::vector<Event> askEverySecond(int from, int to, bool browserAnswers, bool pageAnswers = false) {
  std::vector<Event> events;
  for (int second = from; second <= to; ++second) {
    events.push_back({second, Step::Ask});
    if (browserAnswers) events.push_back({second, Step::BrowserAnswers});
    if (pageAnswers) events.push_back({second, Step::PageAnswers});
  }
  return events;
}

std::vector<Event> operator+(std::vector<Event> first, const std::vector<Event>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

TEST(PageWatch, ReportsAHangOnceOnlyWhenTheBrowserAnswersAndThePageDoesNot) {
  struct Case {
    const char* what;
    std::vector<Event> events;
    std::vector<int> hangs;
  };
  const Case cases[] = {
      {"a page that answers", askEverySecond(0, 12, true, true), {}},
      {"a page that answers slowly but within the hang time",
       askEverySecond(0, 3, true) + std::vector<Event>{{3, Step::PageAnswers}} + askEverySecond(4, 7, true) +
           std::vector<Event>{{7, Step::PageAnswers}},
       {}},
      {"a page that stops answering, reported once", askEverySecond(0, 12, true), {5}},
      {"a browser that stops answering too", askEverySecond(0, 12, false), {}},
      {"a launcher too busy to hear the browser's answers in time",
       {{0, Step::Ask}, {1, Step::PageAnswers}, {9, Step::BrowserAnswers}},
       {}},
      {"a browser's answer to a question asked before the page's",
       {{0, Step::Ask}, {0, Step::PageAnswers}, {1, Step::Ask}, {9, Step::BrowserAnswers}},
       {}},
      {"a new document whose predecessor hung",
       askEverySecond(0, 3, true) + std::vector<Event>{{3, Step::NewDocument}, {4, Step::OldPageAnswers}} +
           askEverySecond(4, 8, true),
       {}},
      {"a page that hangs again after it answered", askEverySecond(0, 6, true) +
                                                        std::vector<Event>{{6, Step::PageAnswers}} +
                                                        askEverySecond(7, 13, true),
       {5, 12}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hangsReported(c.events), c.hangs) << c.what;
  }
}

}  // namespace
}  // namespace myr::browser::chromium
