// Parse and write speed on a large project document: our exact-number parser
// against Boost.JSON's own, and the two writers; and the same on the call
// benchmark's 10k and 40k boards, read from their files as the server reads them.

#include "board_generator.h"
#include "plain_json.h"
#include "project_io/json/document_arena.h"
#include "project_io/json/json.h"
#include "util/heap.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <boost/json/parse.hpp>

#include <map>
#include <random>
#include <string>

namespace {

using namespace vemba_core::project_io;

// A board of `n` cards with float coordinates, text and media references.
std::string large_document(int n) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> coord(-5000.0, 20000.0);
  json::array nodes;
  for (int i = 0; i < n; ++i) {
    nodes.push_back(json::object{
        {"id", fmt::format("n{}", 201 + i)},
        {"type", i % 5 ? "vemba" : "note"},
        {"title", fmt::format("Scene {} \u2014 the long walk home", i)},
        {"body", "She crosses the square at dusk; the camera holds on the fountain as the lights come up."},
        {"x", coord(rng)},
        {"y", coord(rng)},
        {"renderedW", 300.0 + i % 7},
        {"renderedH", coord(rng) / 10},
        {"order", i},
        {"images", json::array{fmt::format("img-{}.jpg", i)}},
        {"hidden", false}});
  }
  json::value doc = json::object{{"name", "Benchmark"}, {"nodes", std::move(nodes)}, {"edges", json::array()}};
  return to_pretty(doc);
}

const std::string& document() {
  static const std::string text = large_document(20000);
  return text;
}

// The call benchmark's board of `cards` cards (10k or 40k) as its file holds
// it: members in order, as written.
const std::string& board_text(std::int64_t cards) {
  static std::map<std::int64_t, std::string> texts;
  std::string& text = texts[cards];
  if (text.empty()) {
    bench::Manifest manifest;
    const bench::BoardShape shape{fmt::format("{}k", cards / 1000), static_cast<int>(cards), 0};
    text = bench::to_plain_pretty(bench::Generator(shape).build(manifest));
  }
  return text;
}

void BM_ParseBoard(benchmark::State& state) {
  const std::string& text = board_text(state.range(0));
  DocumentArena arena;
  for (auto _ : state) benchmark::DoNotOptimize(parse_json(text, arena.next()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_WritePrettyBoard(benchmark::State& state) {
  const std::string& text = board_text(state.range(0));
  // Parsed into the arena, as the server writes it: its values lie together.
  DocumentArena arena;
  const json::value doc = *parse_json(text, arena.next());
  for (auto _ : state) benchmark::DoNotOptimize(to_pretty_document(doc, kMaxNesting, text.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_WriteCompactBoard(benchmark::State& state) {
  const std::string& text = board_text(state.range(0));
  // Parsed into the arena, as the server writes it: its values lie together.
  DocumentArena arena;
  const json::value doc = *parse_json(text, arena.next());
  for (auto _ : state) benchmark::DoNotOptimize(to_compact(doc));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseExact(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(parse_json(document()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document().size()));
}

void BM_ParseBoost(benchmark::State& state) {
  boost::json::parse_options opt;
  opt.max_depth = 127;
  for (auto _ : state) {
    boost::json::error_code ec;
    benchmark::DoNotOptimize(boost::json::parse(document(), ec, {}, opt));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document().size()));
}

void BM_WritePretty(benchmark::State& state) {
  const json::value doc = *parse_json(document());
  for (auto _ : state) benchmark::DoNotOptimize(to_pretty(doc));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document().size()));
}

void BM_ValidateUtf8(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(is_valid_utf8(document()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document().size()));
}

BENCHMARK(BM_ParseExact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseBoost)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePretty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseBoard)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePrettyBoard)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteCompactBoard)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The server's heap, so that a write's buffer is measured as the server meets it.
  vemba_util::keep_large_buffers();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
