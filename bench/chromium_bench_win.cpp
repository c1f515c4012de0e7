// The Chromium engine's speed with the real browser, run under Wine by hand (a program, not a test):
//   bench/chromium.sh inside a Wine session   (or: wine build/win/bench/chromium_bench.exe)
// With "arguments <profile>" it prints the arguments the engine starts the browser with, so that
// the script can time the browser's own start with the same ones. With "decode <file.png>" it
// times the launcher's share of a frame: Base64 and PNG decoding into a reused bitmap, the same
// into fresh memory, and the system's decoder (WIC) on the same file (median of 50).
// Prints: start to page loaded; page -> launcher -> page round trip (median of 200); a 1 MiB reply
// delivered (page-measured, request to parsed reply, median of 5); a page change to its frame
// painted in the window (median of 20). The page is a small file served through the engine's host mapping.

#include <windows.h>
#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/bytes/base64.h"
#include "foundation/files/win_text.h"
#include "foundation/json/json.h"
#include "webui/browser/chromium/browser_command_line.h"
#include "webui/browser/chromium/chromium_engine_win.h"
#include "webui/browser/chromium/page_frame_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace {

using namespace myr;
using namespace myr::browser;
using Clock = std::chrono::steady_clock;
using Microsoft::WRL::ComPtr;

constexpr char kPage[] = R"(<!doctype html><html><body style="margin:0;background:#000">
<script>
const view = window.chrome.webview;
let resolve;
view.addEventListener('message', (e) => {
  if (e.data.colour) { document.body.style.background = e.data.colour; return; }
  resolve(e.data);
});
const answer = () => new Promise((r) => { resolve = r; });
(async () => {
  view.postMessage('loaded');
  const times = [];
  for (let i = 0; i < 200; i++) {
    const t = performance.now();
    view.postMessage('ping');
    await answer();
    times.push(performance.now() - t);
  }
  times.sort((a, b) => a - b);
  const bigTimes = [];
  let bigLength = 0;
  for (let i = 0; i < 5; i++) {
    const t = performance.now();
    view.postMessage('big');
    bigLength = (await answer()).text.length;
    bigTimes.push(performance.now() - t);
  }
  bigTimes.sort((a, b) => a - b);
  view.postMessage(JSON.stringify({ median: times[100], p90: times[180], bigMs: bigTimes[2], bigLength }));
})();
</script></body></html>)";

// What the engine would write into the launcher's log.
class PrintedLog final : public LogSink {
 public:
  void note(std::string_view message) override {
    std::fprintf(stderr, "log: %.*s\n", static_cast<int>(message.size()), message.data());
  }
};

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <class Condition>
bool pumpUntil(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(60)) {
  const auto deadline = Clock::now() + timeout;
  MSG message{};
  while (!condition() && Clock::now() < deadline) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return condition();
}

COLORREF pixelOf(HWND window) {
  const HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, 20, 20);
  ReleaseDC(window, dc);
  return colour;
}

template <class Work>
double medianMs(Work work) {
  std::vector<double> times;
  for (int round = 0; round < 50; ++round) {
    const auto start = Clock::now();
    work();
    times.push_back(msSince(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The peer: the system's decoder (WIC) taking the same file into a bitmap of the same kind.
double medianWicMs(const std::string& png, chromium::FrameBitmap& into) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
    return -1;
  }
  return medianMs([&] {
    ComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size())));
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> source;
    ComPtr<IWICFormatConverter> converter;
    factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng, WICDecodeMetadataCacheOnDemand, &decoder);
    decoder->GetFrame(0, &source);
    factory->CreateFormatConverter(&converter);
    converter->Initialize(source.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                          WICBitmapPaletteTypeCustom);
    converter->CopyPixels(nullptr, into.stride(), into.stride() * into.height(), into.bits());
  });
}

int timeDecoding(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string base64 = encodeBase64(png);
  auto frame = chromium::decodeFrame(png, nullptr);
  if (!frame) {
    std::fprintf(stderr, "%s\n", frame.error().message.c_str());
    return 1;
  }
  std::unique_ptr<chromium::FrameBitmap> reused = std::move(*frame);
  std::printf("%u x %u, %zu bytes of PNG\n", reused->width(), reused->height(), png.size());
  std::printf("Base64: median %.2f ms\n", medianMs([&] { decodeBase64(base64); }));
  std::printf("PNG into a reused bitmap: median %.2f ms\n",
              medianMs([&] {
                auto next = chromium::decodeFrame(png, std::move(reused));
                reused = std::move(*next);
              }));
  std::printf("PNG into a new bitmap: median %.2f ms\n",
              medianMs([&] { const auto fresh = chromium::decodeFrame(png, nullptr); }));
  std::printf("a new bitmap alone, written once: median %.2f ms\n", medianMs([&] {
                const auto made = chromium::FrameBitmap::make(reused->width(), reused->height());
                std::fill_n((*made)->bits(), (*made)->stride() * (*made)->height(), 0);
              }));
  std::printf("WIC into a reused bitmap (the system's decoder): median %.2f ms\n", medianWicMs(png, *reused));
  return 0;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  if (count == 3 && std::wstring_view(arguments[1]) == L"arguments") {
    for (const std::string& argument : chromium::browserArguments({toUtf8(arguments[2]), ""})) {
      std::printf("%s\n", argument.c_str());
    }
    return 0;
  }
  if (count == 3 && std::wstring_view(arguments[1]) == L"decode") {
    return timeDecoding(arguments[2]);
  }
  PrintedLog log;
  const auto queue = std::make_shared<UiThreadQueue>(log);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"myr_chromium_bench";
  std::filesystem::create_directories(folder / L"page");
  std::ofstream(folder / L"page" / L"index.html", std::ios::binary) << kPage;

  const HWND parent = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 700,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  auto engine =
      chromium::makeChromiumEngine([queue](std::function<void()> work) { return queue->post(std::move(work)); }, log);
  std::shared_ptr<Environment> environment;
  std::shared_ptr<Controller> controller;
  std::optional<json::Value> results;
  std::string big = "{\"text\":\"" + std::string(1024 * 1024, 'x') + "\"}";
  double loadedMs = 0;

  const auto start = Clock::now();
  engine->createEnvironment(
      (folder / L"profile").wstring(), nullptr, [&](HRESULT, std::shared_ptr<Environment> created) {
        environment = std::move(created);
        return environment ? environment->createController(parent,
                                                           [&](HRESULT, std::shared_ptr<Controller> made) {
                                                             controller = std::move(made);
                                                             return S_OK;
                                                           })
                           : E_FAIL;
      });
  if (!pumpUntil([&] { return controller != nullptr; })) {
    std::fprintf(stderr, "the browser did not start\n");
    return 1;
  }
  RECT client{};
  GetClientRect(parent, &client);
  controller->setBounds(client);
  const std::shared_ptr<View> view = controller->view();
  view->mapHostToFolder(L"bench.myr.example", (folder / L"page").wstring(), HostAccess::Deny);
  view->onWebMessage([&](const WebMessage& message) {
    const std::string text = toUtf8(message.text.value_or(L""));
    if (text == "loaded") {
      loadedMs = msSince(start);
    } else if (text == "ping") {
      view->postJson(L"{\"pong\":true}");
    } else if (text == "big") {
      view->postJsonUtf8(big);
    } else {
      results = json::parse(text);
    }
  });
  view->navigate(L"https://bench.myr.example/index.html");
  if (!pumpUntil([&] { return results.has_value(); })) {
    std::fprintf(stderr, "the page did not report\n");
    return 1;
  }

  const HWND page = FindWindowExW(parent, nullptr, L"MyrLauncherPage", nullptr);
  std::vector<double> frames;
  const wchar_t* colours[] = {L"#ff0000", L"#0000ff"};
  const COLORREF expected[] = {RGB(255, 0, 0), RGB(0, 0, 255)};
  for (int round = 0; round < 20; ++round) {
    const auto changed = Clock::now();
    view->postJson(std::wstring(L"{\"colour\":\"") + colours[round % 2] + L"\"}");
    if (pumpUntil([&] { return pixelOf(page) == expected[round % 2]; }, std::chrono::seconds(5))) {
      frames.push_back(msSince(changed));
    }
  }
  std::sort(frames.begin(), frames.end());

  std::printf("start to page loaded: %.0f ms\n", loadedMs);
  std::printf("round trip page -> launcher -> page: median %.2f ms, 90th percentile %.2f ms (200)\n",
              results->get("median").asNumber(0), results->get("p90").asNumber(0));
  std::printf("1 MiB reply delivered: median %.1f ms (5, %.0f bytes)\n", results->get("bigMs").asNumber(0),
              results->get("bigLength").asNumber(0));
  if (!frames.empty()) {
    std::printf("page change to frame painted: median %.1f ms (%zu of 20)\n", frames[frames.size() / 2], frames.size());
  }
  controller->close();
  DestroyWindow(parent);
  return 0;
}
