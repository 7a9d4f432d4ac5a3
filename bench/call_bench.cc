// Times every kind of call against the real server on seeded boards, with
// the plain edit floor and the I/O floor run in between, and one large batch on an empty
// project, and prints markdown tables. With
// --capture it instead stores each call's reply and files, volatile parts
// masked, so two builds can be compared with diff -r.

#include "board.h"
#include "calls.h"
#include "capture.h"
#include "files.h"
#include "floor.h"
#include "report.h"
#include "server_process.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
  fs::path server;
  fs::path work;
  std::optional<fs::path> capture;
  std::vector<std::string> boards;  // empty: all
  std::optional<int> reps;
  bool quick = false;
  bool keep = false;
};

struct Board {
  BoardShape shape;
  int reps = 0, quick_reps = 0;
  Manifest manifest{};
  fs::path root() const { return work / shape.label; }
  fs::path library() const { return root() / "library"; }
  fs::path project() const { return library() / "bench"; }
  fs::path floor_library() const { return root() / "floor"; }
  fs::path floor_project() const { return floor_library() / "bench"; }
  fs::path pristine() const { return root() / "pristine"; }
  fs::path work{};
};

// Every name --boards takes, in the order the boards run.
constexpr std::string_view kBoardNames[] = {"100", "1k", "10k", "40k", "10k+media", "big-batch"};

const char* kUsage =
    "usage: call_bench --server PATH [--quick] [--reps N] [--boards 100,1k,10k,40k,10k+media,big-batch]\n"
    "                  [--capture DIR] [--work DIR] [--keep]\n";

std::expected<Options, std::string> parse_options(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::expected<std::string, std::string> {
      if (i + 1 >= argc) return std::unexpected(fmt::format("{} needs a value", arg));
      return std::string(argv[++i]);
    };
    std::expected<std::string, std::string> v;
    if (arg == "--quick")
      o.quick = true;
    else if (arg == "--keep")
      o.keep = true;
    else if (arg == "--server" || arg == "--capture" || arg == "--work" || arg == "--boards" || arg == "--reps") {
      if (!(v = value())) return std::unexpected(v.error());
      if (arg == "--server") o.server = fs::absolute(*v);
      if (arg == "--capture") o.capture = fs::absolute(*v);
      if (arg == "--work") o.work = fs::absolute(*v);
      if (arg == "--reps") {
        int n = 0;
        const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
        if (ec != std::errc() || end != v->data() + v->size() || n < 1)
          return std::unexpected(fmt::format("--reps takes a whole number of at least 1, not '{}'", *v));
        o.reps = n;
      }
      if (arg == "--boards")
        for (std::size_t start = 0; start <= v->size();) {
          const std::size_t comma = std::min(v->find(',', start), v->size());
          std::string name = v->substr(start, comma - start);
          if (std::find(std::begin(kBoardNames), std::end(kBoardNames), name) == std::end(kBoardNames))
            return std::unexpected(
                fmt::format("unknown board: {} (the boards: {})", name, fmt::join(kBoardNames, ", ")));
          o.boards.push_back(std::move(name));
          start = comma + 1;
        }
    } else
      return std::unexpected(fmt::format("unknown option: {}", arg));
  }
  if (o.server.empty()) return std::unexpected("--server is required");
  return o;
}

std::string load_text() {
  double load[3] = {0, 0, 0};
  if (::getloadavg(load, 3) != 3) return "unknown";
  return fmt::format("{:.2f} {:.2f} {:.2f}", load[0], load[1], load[2]);
}

double elapsed_ms(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The milliseconds `run` took, or its error.
template <class Run>
std::expected<double, std::string> timed(const Run& run) {
  const auto start = std::chrono::steady_clock::now();
  if (auto r = run(); !r) return std::unexpected(r.error());
  return elapsed_ms(start, std::chrono::steady_clock::now());
}

std::expected<void, std::string> reset_folder(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove_all(to, ec);
  fs::create_directories(to.parent_path(), ec);
  fs::copy(from, to, fs::copy_options::recursive, ec);
  if (ec) return std::unexpected(fmt::format("copy {}: {}", from.string(), ec.message()));
  return {};
}

// Keeps the folder, as on a project that has been edited before, but not the snapshots.
void clear_history(const fs::path& project) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(project / ".vemba-history", ec)) fs::remove(entry.path(), ec);
}

std::expected<ServerProcess, std::string> start_server(const Options& o, const Board& b) {
  auto server = ServerProcess::start(o.server, b.library());
  if (!server) return server;
  const std::string init =
      R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2024-11-05","capabilities":{},"clientInfo":{"name":"call_bench","version":"1"}}})";
  if (auto s = server->send(init); !s) return std::unexpected(s.error());
  if (auto r = server->receive(); !r) return std::unexpected(r.error());
  if (auto s = server->send(R"({"jsonrpc":"2.0","method":"notifications/initialized"})"); !s)
    return std::unexpected(s.error());
  return server;
}

// One request and its reply; a failure result is reported once per call kind, since the figures then mean little.
std::expected<std::string, std::string> request_reply(ServerProcess& server, const std::string& line) {
  if (auto s = server.send(line); !s) return std::unexpected(s.error());
  return server.receive();
}

bool is_failure(const std::string& reply) { return reply.find(R"("isError":true)") != std::string::npos; }

std::expected<void, std::string> time_board(const Options& o, Board& b, BoardFigures& figures) {
  const int reps = o.reps ? *o.reps : (o.quick ? b.quick_reps : b.reps);
  int id = 1;
  std::uint64_t stamp = 1000;
  for (const CallKind& kind : call_kinds()) {
    auto server = start_server(o, b);
    if (!server) return std::unexpected(server.error());
    CallFigures& call = figures.calls[kind.label];
    bool reported = false;
    for (int rep = 0; rep < reps; ++rep) {
      if (kind.needs_edit_first) {
        auto r = request_reply(*server, tool_call_line(id++, "edit_vemba", edit_arguments(b.manifest, rep)));
        if (!r) return std::unexpected(r.error());
      }
      const std::string line = tool_call_line(id++, tool_of(kind), kind.arguments(b.manifest, rep));
      const auto start = std::chrono::steady_clock::now();
      auto reply = request_reply(*server, line);
      if (!reply) return std::unexpected(fmt::format("{} on {}: {}", kind.label, b.shape.label, reply.error()));
      call.ms.push_back(elapsed_ms(start, server->line_end()));
      if (is_failure(*reply) && !reported) {
        std::fprintf(stderr, "warning: %s on %s failed: %.300s\n", kind.label, b.shape.label.c_str(), reply->c_str());
        reported = true;
      }
      if (kind.edits) clear_history(b.project());

      auto floor = timed([&] {
        return run_floor(b.floor_library(), b.floor_project(), b.manifest.edit_id, toggled_title(rep), stamp++);
      });
      if (!floor) return std::unexpected(fmt::format("floor on {}: {}", b.shape.label, floor.error()));
      figures.floor_ms.push_back(*floor);
      clear_history(b.floor_project());
      int replaced = -1;
      auto io_floor = timed([&]() -> std::expected<void, std::string> {
        auto kept = run_io_floor(b.floor_library(), b.floor_project(), stamp++);
        if (!kept) return std::unexpected(kept.error());
        replaced = *kept;
        return {};
      });
      // Freed once the time is taken, as the server frees it once its reply is out.
      if (replaced >= 0) ::close(replaced);
      if (!io_floor) return std::unexpected(fmt::format("I/O floor on {}: {}", b.shape.label, io_floor.error()));
      figures.io_floor_ms.push_back(*io_floor);
      clear_history(b.floor_project());
    }
    auto peak = server->finish();
    if (!peak) return std::unexpected(peak.error());
    call.peak_bytes = *peak;
    std::fprintf(stderr, "  %-8s %-22s median %8.1f ms\n", b.shape.label.c_str(), kind.label, median(call.ms));
  }
  return {};
}

std::expected<void, std::string> capture_board(const Options& o, Board& b) {
  const fs::path out = *o.capture / b.shape.label;
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) return std::unexpected(fmt::format("create {}: {}", out.string(), ec.message()));
  for (const CallKind& kind : call_kinds()) {
    if (auto r = reset_folder(b.pristine(), b.project()); !r) return r;
    fs::remove(b.library() / ".vemba-sync.json", ec);
    auto server = start_server(o, b);
    if (!server) return std::unexpected(server.error());
    if (kind.needs_edit_first) {
      auto r = request_reply(*server, tool_call_line(1, "edit_vemba", edit_arguments(b.manifest, 0)));
      if (!r) return std::unexpected(r.error());
    }
    auto reply = request_reply(*server, tool_call_line(2, tool_of(kind), kind.arguments(b.manifest, 0)));
    if (!reply) return std::unexpected(fmt::format("{} on {}: {}", kind.label, b.shape.label, reply.error()));
    if (auto f = server->finish(); !f) return std::unexpected(f.error());
    if (auto w = capture_call(out, kind, *reply, b.library(), b.project()); !w) return w;
  }
  return {};
}

// The empty project the one-batch call starts from, afresh each time.
std::expected<void, std::string> empty_project(const fs::path& project) {
  std::error_code ec;
  fs::remove_all(project, ec);
  fs::create_directories(project, ec);
  if (ec) return std::unexpected(fmt::format("create {}: {}", project.string(), ec.message()));
  if (auto w = write_file(project / "project.json", R"({"name":"Big","nodes":[],"edges":[],"groups":[]})"); !w)
    return w;
  return write_file(project / ".vemba", "1\n");
}

// One batch of many ops: its time, or with --capture its reply and files.
std::expected<void, std::string> big_batch(const Options& o, CallFigures& figures) {
  const fs::path library = o.work / "big-batch";
  const fs::path project = library / "bench";
  const std::string line = tool_call_line(1, "batch", big_batch_arguments(kBigBatchOps));
  const int reps = o.capture ? 1 : (o.reps ? *o.reps : 3);
  for (int rep = 0; rep < reps; ++rep) {
    if (auto r = empty_project(project); !r) return r;
    std::error_code ec;
    fs::remove(library / ".vemba-sync.json", ec);
    auto server = ServerProcess::start(o.server, library);
    if (!server) return std::unexpected(server.error());
    const std::string init =
        R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2024-11-05","capabilities":{},"clientInfo":{"name":"call_bench","version":"1"}}})";
    if (auto r = request_reply(*server, init); !r) return std::unexpected(r.error());
    const auto start = std::chrono::steady_clock::now();
    auto reply = request_reply(*server, line);
    if (!reply) return std::unexpected(fmt::format("{}: {}", kBigBatch.label, reply.error()));
    figures.ms.push_back(elapsed_ms(start, server->line_end()));
    if (is_failure(*reply)) std::fprintf(stderr, "warning: %s failed: %.300s\n", kBigBatch.label, reply->c_str());
    auto peak = server->finish();
    if (!peak) return std::unexpected(peak.error());
    figures.peak_bytes = std::max(figures.peak_bytes, *peak);
    if (o.capture) {
      const fs::path out = *o.capture / "big-batch";
      fs::create_directories(out, ec);
      if (auto w = capture_call(out, kBigBatch, *reply, library, project); !w) return w;
    }
  }
  return {};
}

std::expected<void, std::string> prepare(Board& b) {
  std::error_code ec;
  fs::remove_all(b.root(), ec);
  auto manifest = write_board(b.pristine(), b.shape);
  if (!manifest) return std::unexpected(manifest.error());
  b.manifest = *manifest;
  if (auto r = reset_folder(b.pristine(), b.project()); !r) return r;
  return reset_folder(b.pristine(), b.floor_project());
}

std::expected<void, std::string> run(Options& o) {
  std::vector<Board> boards = {{{"100", 100, 0}, 40, 5},
                               {{"1k", 1000, 0}, 30, 5},
                               {{"10k", 10000, 0}, 21, 3},
                               {{"40k", 40000, 0}, 7, 2},
                               {{"10k+media", 10000, 12u << 20}, 7, 2}};
  const bool with_big_batch =
      o.boards.empty() || std::find(o.boards.begin(), o.boards.end(), "big-batch") != o.boards.end();
  if (!o.boards.empty())
    std::erase_if(boards, [&](const Board& b) {
      return std::find(o.boards.begin(), o.boards.end(), b.shape.label) == o.boards.end();
    });
  if (boards.empty() && !with_big_batch) return std::unexpected("no board selected");
  const bool own_work = o.work.empty();
  if (own_work) {
    std::string pattern = (fs::temp_directory_path() / "call_bench.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return std::unexpected(fmt::format("mkdtemp: {}", std::strerror(errno)));
    o.work = pattern;
  }
  const std::string load_start = load_text();
  std::vector<BoardFigures> figures;
  for (Board& b : boards) {
    b.work = o.work;
    if (auto r = prepare(b); !r) return r;
    std::fprintf(stderr, "board %s: %zu bytes\n", b.shape.label.c_str(), b.manifest.document_bytes);
    if (o.capture) {
      if (auto r = capture_board(o, b); !r) return r;
    } else {
      figures.push_back({b.shape.label, b.manifest.document_bytes, {}, {}, {}});
      if (auto r = time_board(o, b, figures.back()); !r) return r;
    }
    if (!o.keep) fs::remove_all(b.root());
  }
  CallFigures batch;
  if (with_big_batch) {
    if (auto r = big_batch(o, batch); !r) return r;
    if (!o.capture) std::fprintf(stderr, "  %-31s median %8.1f ms\n", kBigBatch.label, median(batch.ms));
  }
  if (own_work && !o.keep) fs::remove_all(o.work);
  if (o.capture) {
    std::printf("captured into %s\n", o.capture->c_str());
    return {};
  }
  std::vector<std::string> order, editing;
  for (const CallKind& kind : call_kinds()) {
    order.emplace_back(kind.label);
    if (kind.edits) editing.emplace_back(kind.label);
  }
  std::printf("Server: %s\nLoad average (1, 5, 15 min) at start: %s; at end: %s\n", o.server.c_str(),
              load_start.c_str(), load_text().c_str());
  if (!figures.empty()) std::printf("\n%s", markdown_tables(figures, order, editing).c_str());
  if (with_big_batch)
    std::printf(
        "\nOne `batch` of %d,%03d `add_vemba` ops on an empty project, each after the card the one before added: "
        "median %.0f ms, p90 %.0f ms (%zu runs), peak memory %.0f MB.\n",
        kBigBatchOps / 1000, kBigBatchOps % 1000, median(batch.ms), p90(batch.ms), batch.ms.size(),
        static_cast<double>(batch.peak_bytes) / (1024.0 * 1024.0));
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  auto options = parse_options(argc, argv);
  if (!options) {
    std::fprintf(stderr, "call_bench: %s\n%s", options.error().c_str(), kUsage);
    return 2;
  }
  if (auto r = run(*options); !r) {
    std::fprintf(stderr, "call_bench: %s\n", r.error().c_str());
    return 1;
  }
  return 0;
}
