#include "project_io/board/board.h"

#include "project_io/json/text.h"

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

bool is_theme_mode(std::string_view m) { return m == "light" || m == "dark" || m == "pastel"; }
bool is_numbering_mode(std::string_view m) { return m == "auto" || m == "manual" || m == "none"; }

// The new theme holds only the mode and a color: the patch's text, else
// whatever the old theme held.
std::optional<json::object> new_theme(const json::object& doc, const json::value& patch_theme) {
  const std::optional<std::string_view> mode = opt_text_of(patch_theme, "mode");
  if (!mode || !is_theme_mode(*mode)) return std::nullopt;
  json::object theme{{"mode", *mode}};
  if (std::optional<std::string_view> color = opt_text_of(patch_theme, "color")) {
    theme["color"] = *color;
  } else if (const json::value* old = doc.if_contains("theme")) {
    if (const json::value* old_color = member(*old, "color")) theme["color"] = *old_color;
  }
  return theme;
}

// Applies one setting; false when the key or its value is refused.
bool apply_setting(json::object& doc, std::string_view key, const json::value& v) {
  if (key == "name") {
    const json::string* s = v.if_string();
    if (!s || trim_white(*s).empty()) return false;
  } else if (key == "context") {
    if (!v.is_string()) return false;
  } else if (key == "numberingMode") {
    const json::string* s = v.if_string();
    if (!s || !is_numbering_mode(*s)) return false;
  } else {
    return false;
  }
  doc[key] = v;
  return true;
}

}  // namespace

PatchResult set_project_meta(json::value& doc, const json::value& patch) {
  json::object* top = doc.if_object();
  return walk_patch(patch, [&](std::string_view key, const json::value& value) {
    if (top && key == "theme") {
      std::optional<json::object> theme = new_theme(*top, value);
      if (!theme) return KeyVerdict::ignored(fmt::format("{} (mode must be light|dark|pastel)", key));
      (*top)["theme"] = std::move(*theme);
      return KeyVerdict::applied(key);
    }
    if (top && apply_setting(*top, key, value)) return KeyVerdict::applied(key);
    return KeyVerdict::ignored(std::string(key));
  });
}

}  // namespace vemba_core::project_io
