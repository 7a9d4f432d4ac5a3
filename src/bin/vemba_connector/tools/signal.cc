#include "vemba_connector/tools/signal.h"

#include "project_io/store/store.h"

namespace vemba_connector {

namespace io = vemba_core::project_io;

void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message) {
  const io::json::value record = io::json::object{
      {"at", static_cast<std::uint64_t>(io::now_ms())}, {"message", message}, {"project", project}, {"status", status}};
  // Servers share the file with no lock, so each writes through a temporary
  // of its own and never waits for another.
  (void)io::atomic_write(io::fs::path(std::string(library_root)) / io::kSignalFile, io::to_compact(record),
                         io::Temporaries::kOwn);
}

}  // namespace vemba_connector
