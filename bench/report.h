// Figures of one run and their markdown tables.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct CallFigures {
  std::vector<double> ms;  // one per repetition
  std::size_t peak_bytes = 0;
};

struct BoardFigures {
  std::string label;
  std::size_t document_bytes = 0;
  std::vector<double> floor_ms;              // the plain edit
  std::vector<double> io_floor_ms;           // the file work alone
  std::map<std::string, CallFigures> calls;  // by call label
};

double median(std::vector<double> values);
double p90(std::vector<double> values);

/// Medians and p90, ratios to the floor (and, for `editing` calls, to the I/O
/// floor), growth from "10k" to "40k" and peak memory.
std::string markdown_tables(const std::vector<BoardFigures>& boards, const std::vector<std::string>& call_order,
                            const std::vector<std::string>& editing);

}  // namespace bench
