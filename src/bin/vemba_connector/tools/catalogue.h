#pragma once
// The tool table: one row per tool, in catalogue order, with what
// "tools/list" announces and the handler that serves it.

#include "vemba_connector/tools/handlers.h"

#include <string_view>
#include <variant>
#include <vector>

namespace vemba_connector {

enum PropertyType { kString, kNumber, kInteger, kBoolean, kObject, kStringArray, kOpArray };

struct Property {
  std::string_view name;
  PropertyType type;
  std::string_view description = {};
};

/// A tool served without a project (none is loaded).
using ServeLibrary = ToolResult (*)(const Call&);
/// A tool served after its project is loaded.
using ServeProject = ToolResult (*)(const Call&, LoadedProject&);
/// A tool that rewrites its project or its assets past the mutation engine:
/// served like ServeProject, but under the project's lock.
struct WritesProject {
  ServeProject serve;
};
/// An editing tool: applied in memory, then written by serve_edit under the
/// project's lock; the only kind a batch may run.
using ApplyEdit = Outcome (*)(Edit&);
using Handler = std::variant<ServeLibrary, ServeProject, WritesProject, ApplyEdit>;

/// The annotation a tool is announced with.
enum class Hint { kNone, kReadOnly };

struct ToolSpec {
  std::string_view name;
  Handler serve;
  Hint hint;
  std::string_view description;
  std::vector<Property> properties;  // in the order announced
  std::vector<std::string_view> required;

  /// Whether the dispatcher checks and loads `project` before serving.
  bool loads_project() const { return !std::holds_alternative<ServeLibrary>(serve); }
  /// Whether the project is locked from before its load until the handler
  /// returns (after the "done" signal, before the reply is sent), so that a
  /// second server's write waits for this one.
  bool writes_project() const {
    return std::holds_alternative<WritesProject>(serve) || std::holds_alternative<ApplyEdit>(serve);
  }
  /// Whether batch accepts the tool as an op.
  bool batchable() const { return std::holds_alternative<ApplyEdit>(serve); }
};

/// The row of that exact name, or null.
const ToolSpec* find_tool(std::string_view name);

}  // namespace vemba_connector
