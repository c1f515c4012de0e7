#include "webui/browser/chromium/page_watch.h"

#include <utility>

namespace myr::browser::chromium {

bool PageWatch::askBrowser(Clock::time_point now) {
  if (browserAsked_) {
    return false;
  }
  browserAsked_ = now;
  return true;
}

std::optional<unsigned> PageWatch::askPage(Clock::time_point now) {
  if (pageAsked_) {
    return std::nullopt;
  }
  pageAsked_ = now;
  return ++pageQuestion_;
}

bool PageWatch::browserAnswered() {
  const std::optional<Clock::time_point> asked = std::exchange(browserAsked_, std::nullopt);
  if (!asked || !pageAsked_ || reported_ || *asked - *pageAsked_ < hangTime_) {
    return false;
  }
  reported_ = true;
  return true;
}

void PageWatch::pageAnswered(unsigned question) {
  if (question == pageQuestion_) {
    pageAsked_.reset();
    reported_ = false;
  }
}

void PageWatch::forgetPage() {
  ++pageQuestion_;
  pageAsked_.reset();
  reported_ = false;
}

}  // namespace myr::browser::chromium
