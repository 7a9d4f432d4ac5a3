// Canonical story numbering: chains run left to right along story edges.

#include "project_io/queries/queries.h"

#include "project_io/board/board.h"
#include "project_io/json/text.h"

#include <fmt/format.h>
#include <algorithm>
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
  std::vector<std::string_view> next;  // successors, in edge order, duplicates kept
  std::size_t incoming = 0;
};

// The story cards, one per id: the first card with an id stands for all.
struct StoryBoard {
  std::vector<StoryCard> cards;  // document order
  std::unordered_map<std::string_view, std::size_t> index;

  StoryCard* find(std::string_view id) {
    auto it = index.find(id);
    return it == index.end() ? nullptr : &cards[it->second];
  }
};

struct SequenceStart {
  std::optional<std::string_view> id;
  double x = 0;
  std::string_view name;
};

// Alternate cards stand beside the story and take no number.
bool is_numbered_card(const json::value& node) { return is_story_card(node) && !flag_of(node, "alt"); }

StoryBoard story_board(const json::array& nodes, const json::array& edges) {
  StoryBoard board;
  board.index.reserve(nodes.size());
  for (const json::value& node : nodes) {
    const std::optional<std::string_view> id = id_of(node);
    if (!id || !is_numbered_card(node) || board.index.contains(*id)) continue;
    board.index.emplace(*id, board.cards.size());
    board.cards.push_back({*id, number_or(node, "x", 0), {}, 0});
  }
  for (const json::value& edge : edges) {
    if (opt_text_of(edge, "type") == "reference") continue;
    const std::optional<std::string_view> from = opt_text_of(edge, "from"), to = opt_text_of(edge, "to");
    if (!from || !to) continue;
    StoryCard* source = board.find(*from);
    StoryCard* target = board.find(*to);
    if (!source || !target) continue;
    source->next.push_back(*to);
    ++target->incoming;
  }
  return board;
}

std::vector<SequenceStart> sequence_starts(const json::array& nodes) {
  std::vector<SequenceStart> starts;
  for (const json::value& node : nodes)
    if (is_numbered_card(node) && flag_of(node, "seqStart"))
      starts.push_back({id_of(node), number_or(node, "x", 0), text_of(node, "seqName")});
  std::stable_sort(starts.begin(), starts.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
  return starts;
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
void walk_story_chain(std::string_view start, std::string_view prefix, StoryBoard& board, StoryNumbers& labels) {
  std::size_t n = 1;
  int steps = 0;
  for (StoryCard* current = board.find(start); current;) {
    if (labels.contains(current->id) || steps == kChainSteps) return;
    labels.emplace(current->id, label(prefix, n++));
    if (current->next.empty()) return;
    ++steps;
    StoryCard* leftmost = nullptr;
    for (std::string_view id : current->next) {
      if (labels.contains(id)) continue;
      StoryCard* card = board.find(id);
      if (!leftmost || card->x < leftmost->x) leftmost = card;
    }
    current = leftmost;
  }
}

// The root with the smallest x, else (every card has an incoming edge) the
// card with the smallest x; ties go to the earlier card.
const StoryCard* main_line_start(const StoryBoard& board) {
  const StoryCard* root = nullptr;
  const StoryCard* leftmost = nullptr;
  for (const StoryCard& card : board.cards) {
    if (card.incoming == 0 && (!root || card.x < root->x)) root = &card;
    if (!leftmost || card.x < leftmost->x) leftmost = &card;
  }
  return root ? root : leftmost;
}

void number_side_chains(StoryBoard& board, StoryNumbers& labels) {
  std::vector<const StoryCard*> order;
  for (const StoryCard& card : board.cards)
    if (!labels.contains(card.id)) order.push_back(&card);
  std::stable_sort(order.begin(), order.end(), [](const StoryCard* a, const StoryCard* b) { return a->x < b->x; });
  std::size_t k = 0;
  for (const StoryCard* card : order)
    if (!labels.contains(card->id)) walk_story_chain(card->id, side_prefix(k++), board, labels);
}

}  // namespace

StoryNumbers vemba_numbers(const json::value& doc) {
  const json::array& nodes = array_or_empty(doc, "nodes");
  StoryBoard board = story_board(nodes, array_or_empty(doc, "edges"));
  StoryNumbers labels;
  labels.reserve(board.cards.size());

  const std::vector<SequenceStart> starts = sequence_starts(nodes);
  // Positions count every start, also one without a text id.
  for (std::size_t i = 0; i < starts.size(); ++i)
    if (starts[i].id) walk_story_chain(*starts[i].id, sequence_prefix(starts[i].name, i + 1), board, labels);
  if (starts.empty())
    if (const StoryCard* first = main_line_start(board)) walk_story_chain(first->id, "", board, labels);
  number_side_chains(board, labels);
  return labels;
}

}  // namespace vemba_core::project_io
