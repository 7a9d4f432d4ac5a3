#pragma once
// The four ready-made prompts: fixed templates filled with the caller's text.

#include "project_io/json/json.h"

#include <expected>
#include <string>

namespace vemba_connector {

namespace json = boost::json;

/// The "prompts/list" result.
json::value prompt_list();
/// The "prompts/get" result for `params`, or the "unknown prompt: " message.
std::expected<json::value, std::string> prompt_get(const json::value& params);

}  // namespace vemba_connector
