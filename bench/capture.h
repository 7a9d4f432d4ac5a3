// Capture of one call's visible outcome, with the volatile parts masked.
#pragma once

#include "calls.h"

#include <expected>
#include <filesystem>
#include <string>

namespace bench {

/// Replaces the digits of every snapshot name (snap-<digits>.json), of every
/// "atMs" value and, when `signal_time` is set, of every "at" value by 0.
std::string mask_volatile(std::string text, bool signal_time);

/// Writes <label>.reply.json and, for editing calls, <label>.project.json,
/// <label>.snapshot.json (the newest snapshot) and <label>.signal.json into `out`.
std::expected<void, std::string> capture_call(const std::filesystem::path& out, const CallKind& kind,
                                              const std::string& reply, const std::filesystem::path& library,
                                              const std::filesystem::path& project);

}  // namespace bench
