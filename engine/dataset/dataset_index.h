#pragma once
// IndexList as tag definitions for the index builder. The list holds pairs
// of lines: a definition "NAME,D,U,expression" and its FOR condition (empty
// for none). The flags sit at fixed places, one character each: D is the
// character right after the first comma, U the third; each is true only
// when it is "T". A list whose last pair lacks its second line drops that
// tag.
#include <string>
#include <vector>

#include "engine/index/mdx_format.h"

namespace xb {

inline constexpr size_t kMaxTagName = 10;
inline constexpr size_t kMaxTagExpression = 220;

TagDefinition ParseIndexListTag(const std::string& definition, const std::string& for_line);
std::vector<TagDefinition> TagDefinitionsFromIndexList(const std::vector<std::string>& lines);

// The semaphore file through which other programs announce that they use
// a table's index: the table's name with the extension "@S@".
std::string IndexSemaphoreName(const std::string& table_name);
// The table's production index file: its name with the extension MDX, in
// the letter case of the table's own extension.
std::string IndexFileNameOf(const std::string& table_name);

}  // namespace xb
