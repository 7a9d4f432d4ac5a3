#include "report.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace bench {
namespace {

const BoardFigures* find_board(const std::vector<BoardFigures>& boards, std::string_view label) {
  for (const auto& b : boards)
    if (b.label == label) return &b;
  return nullptr;
}

const CallFigures* find_call(const BoardFigures& board, const std::string& call) {
  const auto it = board.calls.find(call);
  return it == board.calls.end() || it->second.ms.empty() ? nullptr : &it->second;
}

std::string ms_text(double ms) { return ms >= 100 ? fmt::format("{:.0f}", ms) : fmt::format("{:.1f}", ms); }
double mb(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

std::string header(const std::vector<BoardFigures>& boards, std::string_view last) {
  std::string head = "| call |", rule = "|---|";
  for (const auto& b : boards) {
    head += fmt::format(" {} ({:.1f} MB) |", b.label, mb(b.document_bytes));
    rule += "---:|";
  }
  if (!last.empty()) {
    head += fmt::format(" {} |", last);
    rule += "---:|";
  }
  return head + "\n" + rule + "\n";
}

// A board's times for one call, or for a floor: null when there are none.
using Series = std::function<const std::vector<double>*(const BoardFigures&)>;

Series call_series(const std::string& call) {
  return [call](const BoardFigures& b) -> const std::vector<double>* {
    const CallFigures* c = find_call(b, call);
    return c ? &c->ms : nullptr;
  };
}

Series floor_series(std::vector<double> BoardFigures::*floor) {
  return [floor](const BoardFigures& b) { return (b.*floor).empty() ? nullptr : &(b.*floor); };
}

std::string growth(const std::vector<BoardFigures>& boards, const Series& series) {
  const BoardFigures* small = find_board(boards, "10k");
  const BoardFigures* large = find_board(boards, "40k");
  if (!small || !large) return "–";
  const std::vector<double>* a = series(*small);
  const std::vector<double>* b = series(*large);
  if (!a || !b || median(*a) <= 0) return "–";
  return fmt::format("{:.1f}x", median(*b) / median(*a));
}

std::string floor_row(const std::vector<BoardFigures>& boards, std::string_view name,
                      std::vector<double> BoardFigures::*floor) {
  std::string out = fmt::format("| {} |", name);
  for (const auto& b : boards)
    out += (b.*floor).empty() ? " – |" : fmt::format(" {} / {} |", ms_text(median(b.*floor)), ms_text(p90(b.*floor)));
  return out + fmt::format(" {} |\n", growth(boards, floor_series(floor)));
}

// Each call's median against a floor's median on the same board.
auto ratio_to(std::vector<double> BoardFigures::*floor) {
  return [floor](const BoardFigures& b, const CallFigures& c) {
    const double m = median(b.*floor);
    return m > 0 ? fmt::format("{:.2f}x", median(c.ms) / m) : std::string("–");
  };
}

// One row per call: a cell per board ("–" where the call was not run), and the growth when asked.
template <typename Cell>
std::string rows(const std::vector<BoardFigures>& boards, const std::vector<std::string>& call_order, Cell cell,
                 bool with_growth) {
  std::string out;
  for (const auto& call : call_order) {
    out += fmt::format("| `{}` |", call);
    for (const auto& b : boards) {
      const CallFigures* c = find_call(b, call);
      out += fmt::format(" {} |", c ? cell(b, *c) : std::string("–"));
    }
    out += with_growth ? fmt::format(" {} |\n", growth(boards, call_series(call))) : "\n";
  }
  return out;
}

}  // namespace

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest rank: the smallest value with at least 90% of the values at or below it.
double p90(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(0.9 * static_cast<double>(values.size())));
  return values[std::max<std::size_t>(rank, 1) - 1];
}

std::string markdown_tables(const std::vector<BoardFigures>& boards, const std::vector<std::string>& call_order,
                            const std::vector<std::string>& editing) {
  std::string out = "Median / p90 of each call (ms), request line written to reply line read:\n\n";
  out += header(boards, "growth 10k→40k");
  out += rows(
      boards, call_order,
      [&](const BoardFigures&, const CallFigures& c) {
        return fmt::format("{} / {}", ms_text(median(c.ms)), ms_text(p90(c.ms)));
      },
      true);
  out += floor_row(boards, "floor (plain edit)", &BoardFigures::floor_ms);
  out += floor_row(boards, "I/O floor (file work only)", &BoardFigures::io_floor_ms);

  out += "\nMedian of each call against the floor's median on the same board:\n\n";
  out += header(boards, "");
  out += rows(boards, call_order, ratio_to(&BoardFigures::floor_ms), false);

  out += "\nMedian of each editing call against the I/O floor's median on the same board:\n\n";
  out += header(boards, "");
  out += rows(boards, editing, ratio_to(&BoardFigures::io_floor_ms), false);
  out += "| floor (plain edit) |";
  for (const auto& b : boards) {
    const double io = median(b.io_floor_ms);
    out += io > 0 && !b.floor_ms.empty() ? fmt::format(" {:.2f}x |", median(b.floor_ms) / io) : " – |";
  }
  out += "\n";

  out += "\nPeak resident memory of the server per call kind, MB (multiple of the document size):\n\n";
  out += header(boards, "");
  out += rows(
      boards, call_order,
      [](const BoardFigures& b, const CallFigures& c) {
        return b.document_bytes ? fmt::format("{:.0f} ({:.1f}x)", mb(c.peak_bytes),
                                              static_cast<double>(c.peak_bytes) / static_cast<double>(b.document_bytes))
                                : std::string("–");
      },
      false);
  return out;
}

}  // namespace bench
