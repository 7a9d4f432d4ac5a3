// Canonical story numbering: chains run left to right along story edges.

#include "project_io/queries/queries.h"

#include "project_io/board/board.h"
#include "project_io/json/text.h"

#include <fmt/format.h>
#include <algorithm>
#include <array>
#include <vector>

namespace vemba_core::project_io {
namespace {

// One chain numbers at most this many cards; the rest become side chains.
constexpr int kChainSteps = 9999;
// Side chains are lettered B to Z; A would read like a sequence's initial.
constexpr std::size_t kSideLetters = 25;

struct StoryCard {
  std::string_view id;
  double x = 0;
  std::vector<std::uint32_t> next;  // successors, in edge order, duplicates kept
  std::size_t incoming = 0;
};

struct SequenceStart {
  std::optional<std::string_view> id;
  double x = 0;
  std::string_view name;
};

constexpr std::uint32_t kNoCard = UINT32_MAX;

// What numbering reads of each card, found in one walk over its members.
enum Field { kType, kAlt, kId, kX, kSeqStart, kSeqName };
constexpr auto kCardKeys = std::to_array<std::string_view>({"type", "alt", "id", "x", "seqStart", "seqName"});
static_assert(kCardKeys.size() == kSeqName + 1, "a key per field");

// The story cards, one per id: the first card with an id stands for all.
// Cards are worked on by position, so the chains need no lookups by id.
struct StoryBoard {
  std::vector<StoryCard> cards;      // document order
  FlatTextMap<std::uint32_t> index;  // ids copied, so a lookup compares within the table
  std::vector<std::string> labels;   // by card; empty until numbered
  std::vector<bool> numbered;
  std::vector<SequenceStart> starts;  // by x, ties in document order

  std::uint32_t find(std::string_view id) const {
    auto it = index.find(id);
    return it == index.end() ? kNoCard : it->second;
  }
};

// One pass over the cards: each is read while it is at hand.
StoryBoard story_board(const json::array& nodes, const json::array& edges) {
  StoryBoard board;
  board.index.reserve(nodes.size());
  for (const json::value& node : nodes) {
    const Fields f(node, kCardKeys);
    // Numbered: story cards (no text type, or "vemba"); alternates stand
    // beside the story and take no number.
    if (type_or_vemba(f[kType]) != "vemba" || flag(f[kAlt])) continue;
    const std::optional<std::string_view> id = opt_text(f[kId]);
    const double x = number(f[kX]).value_or(0);
    if (flag(f[kSeqStart])) board.starts.push_back({id, x, opt_text(f[kSeqName]).value_or("")});
    if (!id || !board.index.try_emplace(std::string(*id), static_cast<std::uint32_t>(board.cards.size())).second)
      continue;
    board.cards.push_back({*id, x, {}, 0});
  }
  std::stable_sort(board.starts.begin(), board.starts.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
  for (const json::value& edge : edges) {
    if (opt_text_of(edge, "type") == "reference") continue;
    const std::optional<std::string_view> from = opt_text_of(edge, "from"), to = opt_text_of(edge, "to");
    if (!from || !to) continue;
    const std::uint32_t source = board.find(*from), target = board.find(*to);
    if (source == kNoCard || target == kNoCard) continue;
    board.cards[source].next.push_back(target);
    ++board.cards[target].incoming;
  }
  board.labels.resize(board.cards.size());
  board.numbered.resize(board.cards.size());
  return board;
}

bool is_ascii_letter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }

// Per word: its first ASCII letter in upper case, then its first digit run
// ("Act 2" -> A2, "2nd unit" -> N2U); "S{position}" when that gives nothing.
std::string sequence_prefix(std::string_view name, std::size_t position) {
  std::string prefix, digits;
  char letter = 0;
  bool in_digits = false, digits_done = false;
  auto end_word = [&] {
    if (letter) prefix += letter;
    prefix += digits;
    letter = 0;
    digits.clear();
    in_digits = digits_done = false;
  };
  for_each_code_point(name, [&](char32_t c, std::string_view) {
    if (is_white_space(c)) {
      end_word();
    } else if (is_ascii_digit(c)) {
      if (!digits_done) digits += static_cast<char>(c);
      in_digits = !digits_done;
    } else {
      digits_done = digits_done || in_digits;
      in_digits = false;
      if (!letter && is_ascii_letter(c)) letter = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    }
  });
  end_word();
  return prefix.empty() ? fmt::format("S{}", position) : prefix;
}

// B, C, ..., Z, then B2, ..., Z2, B3, ...
std::string side_prefix(std::size_t k) {
  const char letter = static_cast<char>('B' + k % kSideLetters);
  return k < kSideLetters ? std::string(1, letter) : fmt::format("{}{}", letter, k / kSideLetters + 1);
}

std::string label(std::string_view prefix, std::size_t n) {
  return prefix.empty() ? fmt::format("{}", n) : fmt::format("{}\u00B7{}", prefix, n);
}

// Numbers the chain from `start` (an empty prefix for the main line): each
// step goes to the leftmost successor without a number yet. It stops at a
// numbered card, so another sequence's start reached by an edge is numbered
// here and its own chain numbers nothing.
void walk_story_chain(std::uint32_t start, std::string_view prefix, StoryBoard& board) {
  std::size_t n = 1;
  int steps = 0;
  for (std::uint32_t current = start; current != kNoCard;) {
    if (board.numbered[current] || steps == kChainSteps) return;
    board.labels[current] = label(prefix, n++);
    board.numbered[current] = true;
    const StoryCard& card = board.cards[current];
    if (card.next.empty()) return;
    ++steps;
    std::uint32_t leftmost = kNoCard;
    for (std::uint32_t next : card.next) {
      if (board.numbered[next]) continue;
      if (leftmost == kNoCard || board.cards[next].x < board.cards[leftmost].x) leftmost = next;
    }
    current = leftmost;
  }
}

// The root with the smallest x, else (every card has an incoming edge) the
// card with the smallest x; ties go to the earlier card.
std::uint32_t main_line_start(const StoryBoard& board) {
  std::uint32_t root = kNoCard, leftmost = kNoCard;
  for (std::uint32_t i = 0; i < board.cards.size(); ++i) {
    const StoryCard& card = board.cards[i];
    if (card.incoming == 0 && (root == kNoCard || card.x < board.cards[root].x)) root = i;
    if (leftmost == kNoCard || card.x < board.cards[leftmost].x) leftmost = i;
  }
  return root != kNoCard ? root : leftmost;
}

void number_side_chains(StoryBoard& board) {
  std::vector<std::uint32_t> order;
  for (std::uint32_t i = 0; i < board.cards.size(); ++i)
    if (!board.numbered[i]) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return board.cards[a].x < board.cards[b].x; });
  std::size_t k = 0;
  for (std::uint32_t card : order)
    if (!board.numbered[card]) walk_story_chain(card, side_prefix(k++), board);
}

}  // namespace

StoryNumbers vemba_numbers(const json::value& doc) {
  const json::array& nodes = array_or_empty(doc, "nodes");
  StoryBoard board = story_board(nodes, array_or_empty(doc, "edges"));

  const std::vector<SequenceStart>& starts = board.starts;
  // Positions count every start, also one without a text id.
  for (std::size_t i = 0; i < starts.size(); ++i)
    if (starts[i].id) walk_story_chain(board.find(*starts[i].id), sequence_prefix(starts[i].name, i + 1), board);
  if (starts.empty()) walk_story_chain(main_line_start(board), "", board);
  number_side_chains(board);

  StoryNumbers labels;
  labels.reserve(board.cards.size());
  for (std::uint32_t i = 0; i < board.cards.size(); ++i)
    if (board.numbered[i]) labels.emplace(board.cards[i].id, std::move(board.labels[i]));
  return labels;
}

}  // namespace vemba_core::project_io
