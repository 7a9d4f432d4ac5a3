#include "project_io/board/board.h"

#include "project_io/json/patch.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace vemba_core::project_io {
namespace {

enum class Rule { kTextOrNull, kFlag, kNumber, kAnyArray, kFocus, kTextArray, kItems, kQty, kGeo, kSun };

struct KeyRule {
  std::string_view key;
  Rule rule;
};

constexpr KeyRule kRules[] = {
    {"title", Rule::kTextOrNull},
    {"body", Rule::kTextOrNull},
    {"color", Rule::kTextOrNull},
    {"slug", Rule::kTextOrNull},
    {"role", Rule::kTextOrNull},
    {"product", Rule::kTextOrNull},
    {"seqName", Rule::kTextOrNull},
    {"groupId", Rule::kTextOrNull},
    {"shotType", Rule::kTextOrNull},
    {"duration", Rule::kTextOrNull},
    {"linkId", Rule::kTextOrNull},
    {"alt", Rule::kFlag},
    {"hidden", Rule::kFlag},
    {"hiddenInExport", Rule::kFlag},
    {"collapsed", Rule::kFlag},
    {"seqStart", Rule::kFlag},
    {"checked", Rule::kFlag},
    {"x", Rule::kNumber},
    {"y", Rule::kNumber},
    {"order", Rule::kNumber},
    {"tones", Rule::kAnyArray},
    {"focus", Rule::kFocus},
    {"images", Rule::kTextArray},
    {"colors", Rule::kTextArray},
    {"exportImages", Rule::kTextArray},
    {"items", Rule::kItems},
    {"qty", Rule::kQty},
    {"geo", Rule::kGeo},
    {"sun", Rule::kSun},
};

std::optional<Rule> rule_for(std::string_view key) {
  auto it = std::ranges::find(kRules, key, &KeyRule::key);
  return it == std::end(kRules) ? std::nullopt : std::optional<Rule>(it->rule);
}

bool all_texts(const json::array& a) {
  return std::all_of(a.begin(), a.end(), [](const json::value& v) { return v.is_string(); });
}

// Each item keeps only its text and a strict done flag.
std::optional<json::array> checklist_items(const json::value& v) {
  const json::array* a = v.if_array();
  if (!a) return std::nullopt;
  json::array items;
  items.reserve(a->size());
  for (const json::value& e : *a) {
    std::optional<std::string_view> t = opt_text_of(e, "t");
    if (!t) return std::nullopt;
    items.push_back(json::object{{"done", flag_of(e, "done")}, {"t", *t}});
  }
  return items;
}

// A map pin, or the reason it is refused.
std::expected<json::value, std::string> map_pin(const json::value& v) {
  if (v.is_null()) return json::value(nullptr);
  const std::optional<double> lat = number_of(v, "lat");
  const std::optional<double> lon = number_of(v, "lon");
  if (!lat || !lon) return std::unexpected(std::string("geo (needs numeric lat + lon)"));
  if (std::abs(*lat) > 90 || std::abs(*lon) > 180)
    return std::unexpected(std::string("geo (lat must be -90..90, lon -180..180)"));
  return json::object{
      {"address", text_of(v, "address")}, {"lat", *lat}, {"lon", *lon}, {"zoom", number_or(v, "zoom", 16.0)}};
}

// YYYY-MM-DD by shape only: month and day are not range-checked.
bool is_iso_date(std::string_view s) {
  if (s.size() != 10) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool dash = i == 4 || i == 7;
    if (dash ? s[i] != '-' : (s[i] < '0' || s[i] > '9')) return false;
  }
  return true;
}

// A sun plan, or the reason it is refused.
std::expected<json::value, std::string> sun_plan(const json::value& v) {
  if (v.is_null()) return json::value(nullptr);
  const std::string_view location = text_of(v, "locationId");
  const std::optional<std::string_view> date = opt_text_of(v, "dateISO");
  const json::value* time = member(v, "timeMin");
  const double t = time ? as_number(*time).value_or(-1) : -1;
  if (location.empty() || !date || !is_iso_date(*date) || t < 0 || t >= 1440)
    return std::unexpected(std::string("sun (needs locationId, dateISO YYYY-MM-DD, timeMin 0..1440)"));
  json::object sun{{"dateISO", *date}, {"locationId", location}, {"timeMin", *time}};
  if (flag_of(v, "showPlot")) sun["showPlot"] = true;
  return sun;
}

// Whether a value has a kind the rule takes as it is.
bool plain_kind_ok(Rule rule, const json::value& v) {
  switch (rule) {
    case Rule::kTextOrNull:
    case Rule::kFocus:
      return v.is_string() || v.is_null();
    case Rule::kFlag:
      return v.is_bool();
    case Rule::kNumber:
      return v.is_number();
    case Rule::kAnyArray:
      return v.is_array();
    case Rule::kTextArray:
      return v.is_array() && all_texts(v.get_array());
    case Rule::kQty: {
      const std::optional<std::int64_t> q = as_integer(v);
      return q && *q >= 1;
    }
    default:
      return false;
  }
}

// The value a key writes, or the ignored entry: the key, for geo and sun
// with the reason.
std::expected<json::value, std::string> accepted_value(Rule rule, std::string_view key, const json::value& v) {
  switch (rule) {
    case Rule::kItems:
      if (std::optional<json::array> items = checklist_items(v)) return json::value(std::move(*items));
      break;
    case Rule::kGeo:
      return map_pin(v);
    case Rule::kSun:
      return sun_plan(v);
    default:
      if (plain_kind_ok(rule, v)) return v;
      break;
  }
  return std::unexpected(std::string(key));
}

}  // namespace

std::expected<PatchResult, std::string> edit_vemba(json::value& doc, std::string_view id, const json::value& patch,
                                                   EditIndex& index) {
  auto card = find_node(doc, id, index);
  if (!card) return std::unexpected(card.error());
  return walk_patch(patch, [&](std::string_view key, const json::value& given) {
    const std::optional<Rule> rule = rule_for(key);
    if (!rule) return KeyVerdict::ignored(std::string(key));
    std::expected<json::value, std::string> value = accepted_value(*rule, key, given);
    if (!value) return KeyVerdict::ignored(std::move(value.error()));
    // `focus` is another name for the card's focus field.
    const std::string_view field = *rule == Rule::kFocus ? std::string_view("product") : key;
    (**card)[field] = std::move(*value);
    return KeyVerdict::applied(field);
  });
}

}  // namespace vemba_core::project_io
