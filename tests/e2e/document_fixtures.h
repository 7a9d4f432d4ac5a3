#pragma once
// Shared by the read_document tests: the failure text, stand-in helper
// scripts and a one-page PDF.

#include "support/temp_dir.h"

#include <string>
#include <string_view>

namespace vemba_test {

/// The failure text for a document whose text could not be had.
std::string could_not(std::string_view doc_id);
/// Writes an executable script.
void write_script(const fs::path& path, std::string_view text);
/// A one-page PDF showing `words` in a standard font.
std::string tiny_pdf(std::string_view words);

}  // namespace vemba_test
