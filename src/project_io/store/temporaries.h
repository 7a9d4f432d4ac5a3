#pragma once
// The temporaries that atomic writes go through: their names, made and read
// here only, and the removal of those that writers which died left behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// A temporary of its own for one write into `folder`: ".vemba-tmp-" and a
/// random tag of 16 lower-case hex digits. Short, so that a target of any
/// name the folder takes can be written, and random, so that writers on other
/// machines or in other PID namespaces never pick the same one.
fs::path temp_path_in(const fs::path& folder);
std::string random_tag();

/// Whether `name` is one this server's writes make, or servers before it
/// made: the form above, "STEM.tmp-TAG-NAME" with a tag of 16 hex digits, and
/// the fixed "STEM.tmp-NAME", where STEM is NAME's stem. A user's file that
/// only looks alike is none, and so is the form with a process number
/// ("STEM.tmp-4711-NAME"), which cannot be told from one ("take.tmp-2-take.mov").
bool is_temp_name(std::string_view name);
/// Only the form above: the one this server makes, for a file or for the
/// folder a new project is made in.
bool is_own_temp_name(std::string_view name);

/// Removes a project folder being made (see `create_project`) when it holds
/// only what one holds: its marker, its project.json, an empty assets folder
/// and temporaries. Anything else and it stays.
void remove_project_draft(const fs::path& folder);

/// Removes `folder`'s temporaries older than a minute (no write lasts that
/// long, so their writer died), and its project folders being made that a
/// dead server left, once per process, so that the cost of a write never
/// grows with the folder; a failed write there (see `sweep_again`) has the
/// next one look again. Links and other folders are left alone.
void sweep_temporaries(const fs::path& folder);
void sweep_again(const fs::path& folder);

}  // namespace vemba_core::project_io
