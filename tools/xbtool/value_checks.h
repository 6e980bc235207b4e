#pragma once
// What xbtool refuses before it hands anything to the engine: a value that
// the field cannot hold as given (the engine would store 0, asterisks, a
// cut text or a block pointer), and field definitions the engine would
// quietly change. Each check returns "" when all is well, else a message
// naming the field.
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"

namespace xbtool {

// `utf8` as a value of `field`. `oem`: the table's text is OEM 437, which
// decides how many bytes a text takes.
std::string CheckFieldValue(const xb::FieldDesc& field, const std::string& utf8, bool oem);

// Names of at most 10 characters, no name twice, decimals below the width.
std::string CheckFieldDefinitions(const std::vector<xb::FieldDesc>& fields);

}  // namespace xbtool
