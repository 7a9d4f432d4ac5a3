#include "capture.h"

#include "files.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

namespace bench {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Zeroes the digit run that starts at `from`; returns where the run ended.
std::size_t zero_digits(std::string& text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && is_digit(text[end])) ++end;
  if (end > from) text.replace(from, end - from, "0");
  return from + 1;
}

// After `"key"` (quoted plainly or escaped inside a text), skip the colon and blanks and zero the number.
void mask_key(std::string& text, std::string_view key) {
  for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    std::size_t p = at + key.size();
    if (p < text.size() && text[p] == '\\') ++p;
    if (p >= text.size() || text[p] != '"') continue;
    ++p;
    while (p < text.size() && (text[p] == ':' || text[p] == ' ')) ++p;
    zero_digits(text, p);
  }
}

std::string newest_snapshot_name(const std::filesystem::path& history) {
  std::error_code ec;
  std::string best;
  unsigned long long best_ms = 0;
  for (const auto& entry : std::filesystem::directory_iterator(history, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 11 || !name.starts_with("snap-") || !name.ends_with(".json")) continue;
    const unsigned long long ms = std::strtoull(name.c_str() + 5, nullptr, 10);
    if (best.empty() || ms > best_ms) best = name, best_ms = ms;
  }
  return best;
}

}  // namespace

std::string mask_volatile(std::string text, bool signal_time) {
  for (std::size_t at = text.find("snap-"); at != std::string::npos; at = text.find("snap-", at + 1)) {
    std::size_t end = at + 5;
    while (end < text.size() && is_digit(text[end])) ++end;
    if (end > at + 5 && text.compare(end, 5, ".json") == 0) zero_digits(text, at + 5);
  }
  mask_key(text, "\"atMs");
  if (signal_time) mask_key(text, "\"at");
  return text;
}

std::expected<void, std::string> capture_call(const std::filesystem::path& out, const CallKind& kind,
                                              const std::string& reply, const std::filesystem::path& library,
                                              const std::filesystem::path& project) {
  std::string name = kind.label;
  std::replace(name.begin(), name.end(), ' ', '_');
  std::erase_if(name, [](char c) { return c == '(' || c == ')'; });
  if (auto w = write_file(out / (name + ".reply.json"), mask_volatile(reply, false) + "\n"); !w) return w;
  if (!kind.edits) return {};
  auto project_json = read_file(project / "project.json");
  if (!project_json) return std::unexpected(project_json.error());
  if (auto w = write_file(out / (name + ".project.json"), *project_json); !w) return w;
  const std::string snapshot = newest_snapshot_name(project / ".vemba-history");
  auto snapshot_bytes = snapshot.empty() ? std::expected<std::string, std::string>("(no snapshot)\n")
                                         : read_file(project / ".vemba-history" / snapshot);
  if (!snapshot_bytes) return std::unexpected(snapshot_bytes.error());
  if (auto w = write_file(out / (name + ".snapshot.json"), *snapshot_bytes); !w) return w;
  auto signal = read_file(library / ".vemba-sync.json");
  return write_file(out / (name + ".signal.json"), signal ? mask_volatile(*signal, true) : "(no signal file)\n");
}

}  // namespace bench
