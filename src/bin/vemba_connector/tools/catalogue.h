#pragma once
// The 49 tools: one table drives "tools/list" and the dispatcher's routing.

#include "project_io/json/json.h"

#include <span>
#include <string_view>
#include <vector>

namespace vemba_connector {

namespace json = boost::json;

/// The road a tool call takes after the dispatcher's prologue.
enum class Road { kRead, kEdit, kBatch, kMedia, kDocument, kProject };

enum PropertyType { kString, kNumber, kInteger, kBoolean, kObject, kStringArray, kOpArray };

struct Property {
  std::string_view name;
  PropertyType type;
  std::string_view description = {};
};

struct ToolSpec {
  std::string_view name;
  Road road;
  bool read_only;  // announced with readOnlyHint
  std::string_view description;
  std::vector<Property> properties;
  std::vector<std::string_view> required;

  bool needs_project() const { return name != "list_projects" && name != "create_project"; }
};

/// The catalogue in its fixed order.
std::span<const ToolSpec> tool_specs();
/// The tool of that exact name, or null.
const ToolSpec* find_tool(std::string_view name);
/// The descriptors for "tools/list", built anew on each call.
json::array tool_list();

}  // namespace vemba_connector
