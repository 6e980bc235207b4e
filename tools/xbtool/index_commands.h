#pragma once
// xbtool's index commands: build a table's production index from tag
// definitions, list the stored definitions, list records in a tag's order,
// search a tag, and verify every tag against the records.
//
//   index TABLE TAG,D,U,EXPR [FOR-EXPR] ...   build TABLE's .mdx (D and U are
//                                            T or F: descending, unique); an
//                                            argument that is not a definition
//                                            is the FOR condition of the one
//                                            before it
//   tags TABLE                               two lines per tag: the definition
//                                            and its FOR condition (empty line
//                                            when none)
//   dump TABLE --order TAG                   the records as dump prints them,
//                                            in the tag's order
//   find TABLE TAG KEY [--exact]             the found record as a CSV line
//                                            (record number first), or
//                                            "not found"
//   check TABLE                              "OK", or one line per fault
#include "tools/xbtool/commands.h"

namespace xbtool {

int RunIndex(const Options& options);
int RunTags(const Options& options);
int RunFind(const Options& options);
int RunCheck(const Options& options);
// True when the dump arguments ask for an order ("--order TAG"); such a
// dump goes to RunDumpOrder instead of DumpCommand.
bool HasOrderOption(const Options& options);
int RunDumpOrder(const Options& options);

}  // namespace xbtool
