#pragma once

// Whether the page still answers. Every so often the browser and the page are each asked
// something small; the page counts as hung when a question it has not answered was asked at
// least the hang time before one the browser has answered since, so that a browser that stops
// answering altogether (lost, not hung) or a launcher that was busy never looks like a hung page.

#include <chrono>
#include <optional>

namespace myr::browser::chromium {

class PageWatch {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PageWatch(Clock::duration hangTime) : hangTime_(hangTime) {}

  // When no question to the browser is open: one is asked now (its time is kept).
  bool askBrowser(Clock::time_point now);
  // When no question to the page is open: the number of the one asked now.
  std::optional<unsigned> askPage(Clock::time_point now);

  // The browser answered its open question. True when this shows the page hung; a hang is
  // reported once.
  bool browserAnswered();
  void pageAnswered(unsigned question);
  // A new document or renderer: the page's open question no longer counts.
  void forgetPage();

 private:
  Clock::duration hangTime_;
  std::optional<Clock::time_point> browserAsked_;
  std::optional<Clock::time_point> pageAsked_;
  unsigned pageQuestion_ = 0;
  bool reported_ = false;
};

}  // namespace myr::browser::chromium
