#include "floor.h"

#include "files.h"
#include "plain_json.h"

#include <fmt/format.h>
#include <boost/json.hpp>

namespace bench {
namespace {

std::expected<void, std::string> write_signal(const std::filesystem::path& library_dir, std::uint64_t at,
                                              const char* status, const char* message) {
  const boost::json::value record =
      boost::json::object{{"at", at}, {"message", message}, {"project", "bench"}, {"status", status}};
  return atomic_write(library_dir / ".vemba-sync.json", to_plain_compact(record));
}

}  // namespace

std::expected<void, std::string> run_floor(const std::filesystem::path& library_dir,
                                           const std::filesystem::path& project_dir, const std::string& card_id,
                                           const std::string& title, std::uint64_t stamp) {
  const std::filesystem::path file = project_dir / "project.json";
  auto text = read_file(file);
  if (!text) return std::unexpected(text.error());
  boost::json::error_code ec;
  boost::json::value doc = boost::json::parse(*text, ec);
  if (ec) return std::unexpected(fmt::format("parse: {}", ec.message()));
  if (auto s = write_signal(library_dir, stamp, "writing", "Claude is editing bench\xE2\x80\xA6"); !s) return s;

  if (auto* nodes = doc.as_object().if_contains("nodes"); nodes && nodes->is_array())
    for (auto& node : nodes->get_array())
      if (auto* obj = node.if_object(); obj && obj->contains("id") && obj->at("id") == card_id.c_str()) {
        (*obj)["title"] = title;
        break;
      }

  const std::filesystem::path history = project_dir / ".vemba-history";
  std::filesystem::create_directories(history, ec);
  if (ec) return std::unexpected(fmt::format("ensure history: {}", ec.message()));
  if (auto s = atomic_write(history / fmt::format("snap-{}.json", stamp), *text); !s) return s;
  if (auto s = atomic_write(file, to_plain_pretty(doc, text->size())); !s) return s;
  return write_signal(library_dir, stamp, "done", "");
}

}  // namespace bench
