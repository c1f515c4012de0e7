#include "foundation/json/json.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace {

using myr::json::Kind;
using myr::json::Value;

// One entry of a long list reply: text with escapes and non-ASCII UTF-8, integers, fractions.
Value makeEntry(int i) {
  Value tags(Kind::Array);
  for (int t = 0; t < 4; ++t) {
    tags.push("tag-" + std::to_string((i + t) % 17));
  }
  Value progress;
  progress.set("chapter", (i % 12) + 1)
      .set("completion", (i % 1000) / 7.0)
      .set("difficulty", i % 2 == 0 ? "Normal" : "Difficile \xC3\xA9lev\xC3\xA9")
      .set("hasClearData", i % 5 == 0);
  Value entry;
  entry.set("slot", i)
      .set("title", "Chapitre " + std::to_string(i % 12 + 1) +
                        " \xE2\x80\x94 \"Le d\xC3\xA9part\"\tvers l'\xC3\xAEle \xE6\x9D\xB1\xE4\xBA\xAC")
      .set("path", "C:\\Users\\Joueur\\Saved Games\\slot" + std::to_string(i) + ".sav")
      .set("note", "ligne 1\nligne 2\r\nfin \xF0\x9F\x8E\xAE")
      .set("sizeBytes", 1048576.0 * (i % 9 + 1) + i)
      .set("playTimeHours", 12.5 + i * 0.37)
      .set("savedAt", 1700000000000.0 + i * 61000.0)
      .set("tags", std::move(tags))
      .set("progress", std::move(progress))
      .set("thumbnail", Value());
  return entry;
}

const std::string& documentText() {
  static const std::string text = [] {
    Value entries(Kind::Array);
    size_t size = 0;
    for (int i = 0; size < 1024 * 1024; ++i) {
      Value entry = makeEntry(i);
      size += myr::json::write(entry).size() + 1;
      entries.push(std::move(entry));
    }
    Value result;
    result.set("total", static_cast<double>(entries.items().size())).set("entries", std::move(entries));
    Value reply;
    reply.set("id", 42).set("ok", true).set("result", std::move(result));
    return myr::json::write(reply);
  }();
  return text;
}

void MyrParse(benchmark::State& state) {
  const std::string& text = documentText();
  for (auto _ : state) {
    std::optional<Value> value = myr::json::parse(text);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void MyrWrite(benchmark::State& state) {
  const Value value = *myr::json::parse(documentText());
  size_t size = 0;
  for (auto _ : state) {
    std::string out;
    myr::json::write(out, value);
    size = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void NlohmannParse(benchmark::State& state) {
  const std::string& text = documentText();
  for (auto _ : state) {
    nlohmann::json value = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void NlohmannWrite(benchmark::State& state) {
  const nlohmann::json value = nlohmann::json::parse(documentText());
  size_t size = 0;
  for (auto _ : state) {
    std::string out = value.dump();
    size = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void RapidjsonParse(benchmark::State& state) {
  const std::string& text = documentText();
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse<rapidjson::kParseFullPrecisionFlag>(text.data(), text.size());
    benchmark::DoNotOptimize(document);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void RapidjsonWrite(benchmark::State& state) {
  rapidjson::Document document;
  document.Parse<rapidjson::kParseFullPrecisionFlag>(documentText().data(), documentText().size());
  size_t size = 0;
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    size = buffer.GetSize();
    benchmark::DoNotOptimize(buffer);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

BENCHMARK(MyrParse)->Unit(benchmark::kMillisecond);
BENCHMARK(NlohmannParse)->Unit(benchmark::kMillisecond);
BENCHMARK(RapidjsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(MyrWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(NlohmannWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(RapidjsonWrite)->Unit(benchmark::kMillisecond);

}  // namespace
