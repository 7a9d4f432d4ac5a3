// Writes one seeded benchmark board: board_gen CARDS [MEDIA_MB] PROJECT_DIR
#include "board.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: board_gen CARDS [MEDIA_MB] PROJECT_DIR\n");
    return 2;
  }
  const int cards = std::atoi(argv[1]);
  const std::size_t media = argc == 4 ? static_cast<std::size_t>(std::atoi(argv[2])) << 20 : 0;
  bench::BoardShape shape{std::to_string(cards), cards, media};
  auto manifest = bench::write_board(argv[argc - 1], shape);
  if (!manifest) {
    std::fprintf(stderr, "board_gen: %s\n", manifest.error().c_str());
    return 1;
  }
  std::printf("%zu bytes; edit %s, move %s, place %s near %s\n", manifest->document_bytes, manifest->edit_id.c_str(),
              manifest->move_id.c_str(), manifest->place_id.c_str(), manifest->place_ref.c_str());
  return 0;
}
