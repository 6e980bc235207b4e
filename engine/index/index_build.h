#pragma once
// Building index files: MakeIndex creates the file and builds every tag of
// a definition list; AddIndexTag builds one tag (keys of all records sorted
// by ExternalSort, then the tree written bottom-up); Reindex rebuilds the
// open file from its stored definitions; ReadTagDefinitions lists them.
//
// The bottom-up build packs leaves full (maximum keys per node) and writes
// each node once, appended at the end of the file in batches. Every level
// of the tree gets its node at the end, even one that holds no key (an
// interior node with no key and one pointer), so all leaves are at the
// same depth.
//
// Write order: the nodes of a tag first, then its tag header, and only then
// the tag table entry in the in-memory header, which reaches the disk when
// the file is closed, followed by a flush.
//
// MakeIndex never touches the index it replaces until the new one is
// complete: it builds into "<base>.$IX" beside it and renames that over the
// index only after every tag was built and the file flushed. A bad
// definition, a full disk or a crash leaves the previous index (and with it
// the tag definitions) as it was; a build file left by a crash is replaced
// by the next build. While it builds, MakeIndex holds the old index open
// with sharing denied, so no other program starts using the file being
// replaced.
#include <functional>
#include <string>
#include <vector>

#include "engine/index/mdx_format.h"

namespace xb {

// A definition from "NAME,D,U,expression" and its FOR line; false when the
// text has fewer than four comma-separated parts.
bool ParseTagDefinition(const std::string& line, const std::string& for_line, TagDefinition& out);
// "NAME,D,U,expression" for a definition.
std::string TagDefinitionLine(const TagDefinition& def);

// Progress: `callback` is called `steps` times in the course of each tag
// build. steps == 0 removes it.
void SetIndexProgress(std::function<void()> callback, int steps);

// Creates the index file `name` (see IndexFileNameFor) of the current table
// with all `definitions`; true only when every tag was built. The file is
// left closed. On failure the file that was there stays unchanged.
bool MakeIndex(const std::vector<TagDefinition>& definitions, const std::string& name);
// MakeIndex, then SetIndexTo(name); the result of the open.
bool MakeIndexAndOpen(const std::vector<TagDefinition>& definitions, const std::string& name);
// Builds one tag into the file MakeIndex has open.
bool AddIndexTag(const TagDefinition& definition);
// Loads the header of `name` into the build state, creating the file with a
// fresh header when it does not exist.
bool CreateMdxHeader(const std::string& name);
// Rebuilds every tag of the current area's open index file and keeps the
// controlling tag.
bool Reindex();
// The same with or without a controlling tag (kept when there is one).
bool RebuildOpenIndex();
// Pack's build: every tag of the current area's open index into the new
// file `side_name`, leaving out deleted records and numbering the others
// from 1. The open index stays open and unchanged.
bool BuildPackedIndex(const std::string& side_name);
// The stored definitions of an index file as pairs of lines (definition,
// FOR condition or ""); empty when the file does not exist.
std::vector<std::string> ReadTagDefinitions(const std::string& name);

}  // namespace xb
