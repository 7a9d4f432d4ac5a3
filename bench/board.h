// Seeded benchmark boards: a project folder (project.json, .vemba, assets/)
// with story chains, sequences, side chains, element cards that the story
// @mentions, notes, groups, a shot list, set plans and optional inline media.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

struct BoardShape {
  std::string label;        // "10k", "10k+media"
  int cards = 0;            // nodes on the board
  std::size_t media_bytes;  // inline "data:" images, 0 for none
};

/// What the driver needs to aim its calls at the board.
struct Manifest {
  std::string edit_id;                 // a story card in the middle of the board
  std::string move_id;                 // a story card
  std::string place_id, place_ref;     // a note and a story card near it
  std::vector<std::string> batch_ids;  // 50 story cards spread over the board
  std::string query;                   // a phrase found in a few story bodies
  std::size_t document_bytes = 0;
};

/// Writes the board into `project_dir` (created). The same shape gives the same bytes.
std::expected<Manifest, std::string> write_board(const std::filesystem::path& project_dir, const BoardShape& shape);

}  // namespace bench
