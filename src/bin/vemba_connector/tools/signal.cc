#include "vemba_connector/tools/signal.h"

#include "project_io/store/store.h"
#include "vemba_connector/protocol/replies.h"

namespace vemba_connector {

void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message) {
  const json::value record = json::object{{"at", static_cast<std::uint64_t>(now_ms())},
                                          {"message", message},
                                          {"project", project},
                                          {"status", status}};
  namespace io = vemba_core::project_io;
  (void)io::atomic_write(io::fs::path(std::string(library_root)) / ".vemba-sync.json", io::to_compact(record));
}

}  // namespace vemba_connector
