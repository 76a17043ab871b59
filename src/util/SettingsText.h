// What the toolkit can read of a settings file's text, line by line.
#pragma once

#include <cstddef>
#include <string>

/// The text's lines in their order, but for lines that are not UTF-8 text, keys without "=" or
/// without a name, group headers that are not closed (and the entries under them), values the
/// toolkit warns about, and all but the last of a key given twice; a group given twice is merged
/// into its first. skipped counts the lines left out.
std::string ReadableSettingsText(const std::string& text, size_t& skipped);
