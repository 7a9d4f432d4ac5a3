#include "project_io/model/document.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace vemba_core::project_io {
namespace {

// The number of an id: its first run of ASCII digits, when that fits 64 bits.
std::optional<std::uint64_t> id_number(std::string_view id) {
  const std::size_t start = id.find_first_of("0123456789");
  if (start == std::string_view::npos) return std::nullopt;
  std::size_t end = start;
  while (end < id.size() && id[end] >= '0' && id[end] <= '9') ++end;
  std::uint64_t n = 0;
  auto [ptr, ec] = std::from_chars(id.data() + start, id.data() + end, n);
  if (ec != std::errc()) return std::nullopt;
  return n;
}

template <class Visit>
void record_id_number(const json::value& record, Visit&& visit) {
  if (auto id = id_of(record))
    if (auto n = id_number(*id)) visit(*n);
}

template <class Visit>
void scan_ids(const json::array* records, Visit&& visit) {
  if (!records) return;
  for (const json::value& r : *records) record_id_number(r, visit);
}

// The numbers inside one node: its scenes, shots and plan elements.
template <class Visit>
void nested_id_numbers(const json::value& node, Visit&& visit) {
  scan_ids(array_of(node, "scenes"), visit);
  scan_ids(array_of(node, "shots"), visit);
  if (const json::value* plan = member(node, "plan")) scan_ids(array_of(*plan, "elements"), visit);
}

template <class Visit>
void for_each_id_number(const json::value& document, Visit&& visit) {
  for (std::string_view key :
       {"nodes", "groups", "images", "links", "videoEmbeds", "documents", "mediaShelf", "bindings"})
    scan_ids(array_of(document, key), visit);
  if (const json::array* nodes = array_of(document, "nodes"))
    for (const json::value& node : *nodes) nested_id_numbers(node, visit);
}

// When some id already holds the largest 64-bit number nothing above it
// exists: take the smallest free number from 201 up instead.
std::uint64_t smallest_free_number(const json::value& document) {
  std::vector<std::uint64_t> used;
  for_each_id_number(document, [&](std::uint64_t n) { used.push_back(n); });
  std::sort(used.begin(), used.end());
  std::uint64_t candidate = 201;
  for (std::uint64_t n : used) {
    if (n < candidate) continue;
    if (n > candidate) break;
    ++candidate;
  }
  return candidate;
}

}  // namespace

Status normalize(json::value& document) {
  if (document.is_null()) document = json::object();
  json::object* top = document.if_object();
  if (!top) return std::unexpected(std::string("project state is not a JSON object"));
  for (std::string_view key : kDocumentArrays) {
    json::value& slot = (*top)[key];
    if (!slot.is_array()) slot = json::array();
  }
  json::value& name = (*top)["name"];
  if (!name.is_string()) name = "Untitled project";
  return {};
}

json::value new_document(std::string_view name, std::string_view context) {
  json::object doc;
  doc["schemaVersion"] = 1;
  doc["templateId"] = "blank";
  doc["name"] = name;
  doc["context"] = context;
  doc["theme"] = json::object{{"color", "#CC8E78"}, {"mode", "light"}};
  doc["numberingMode"] = "auto";
  doc["view"] = json::object{{"panX", 0}, {"panY", 0}, {"zoom", 1}};
  for (std::string_view key : kDocumentArrays)
    if (key != "bindings") doc[key] = json::array();
  return doc;
}

// The drawing spans a 5 × 3.5 m room at 150 px per metre; the sensor width is
// Super 35's, from which the app draws each camera's field of view.
json::value default_set_plan() {
  json::object scale;
  scale["roomW"] = 5;
  scale["roomH"] = 3.5;
  scale["unit"] = "m";
  scale["unitsPerPx"] = 1.0 / 150.0;
  json::object plan;
  plan["w"] = 750;
  plan["h"] = 525;
  plan["scale"] = std::move(scale);
  plan["grid"] = true;
  plan["dark"] = false;
  plan["bg"] = nullptr;
  plan["bgOpacity"] = 0.6;
  plan["showRays"] = false;
  plan["snap"] = false;
  plan["sensorW"] = 24.89;
  plan["elements"] = json::array();
  return plan;
}

std::uint64_t next_uid(const json::value& document) { return UidSequence().next(document); }

std::uint64_t UidSequence::next(const json::value& document) {
  if (following_) {
    // The number taken last is now the document's largest.
    const std::uint64_t n = *following_;
    following_ = n == UINT64_MAX ? std::nullopt : std::optional(n + 1);
    return n;
  }
  std::uint64_t largest = 200;
  for_each_id_number(document, [&](std::uint64_t n) { largest = std::max(largest, n); });
  // Past the top, free numbers are not consecutive: every one needs a scan.
  if (largest == UINT64_MAX) return smallest_free_number(document);
  following_ = largest + 1 == UINT64_MAX ? std::nullopt : std::optional(largest + 2);
  return largest + 1;
}

UidCounter::UidCounter(const json::value& document) {
  for_each_id_number(document, [&](std::uint64_t n) { numbers_.insert(n); });
}

std::uint64_t UidCounter::next() const {
  const std::uint64_t largest = numbers_.empty() ? 200 : std::max<std::uint64_t>(*numbers_.rbegin(), 200);
  if (largest < UINT64_MAX) return largest + 1;
  // The same choice as next_uid past the top: the smallest free number from 201.
  std::uint64_t candidate = 201;
  for (auto it = numbers_.lower_bound(candidate); it != numbers_.end() && *it == candidate; ++it) ++candidate;
  return candidate;
}

void UidCounter::count_node(const json::value& node) {
  const auto take = [&](std::uint64_t n) { numbers_.insert(n); };
  record_id_number(node, take);
  nested_id_numbers(node, take);
}

}  // namespace vemba_core::project_io
