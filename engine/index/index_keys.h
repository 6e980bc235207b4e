#pragma once
// Key makers: how a tag's key and FOR expressions are prepared from their
// stored text and turned into key bytes for a record.
//
// Key bytes by key type (the expression's result type):
//   C  the character value, cut or blank-padded to the key length, and
//      converted to the OEM character set when the table is OEM;
//   N  (and F) the 12-byte numeric key of the value with the expression's
//      result decimals;
//   D  the day number as an 8-byte double (blank date 1e100).
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/index/mdx_file.h"
#include "engine/table/status.h"

namespace xb {

struct WorkArea;

// Prepares stored expression text for compiling: outside quotes letters are
// upper-cased, runs of blanks and tabs are dropped, and both quote
// characters become '"' where the quoted text holds no '"'. A run of blanks
// between two word characters (letters, digits, '_', '.') is kept as
// one blank, so that dotted operators and names stay apart: ".NOT. DELETED()"
// must not become one unknown name ".NOT.DELETED".
std::string NormaliseExpression(std::string_view text);

// Compiles the key expression (and the FOR condition when `for_text` is not
// blank) for `area` into `tag`, and sets the tag's key type and decimals
// from the result. Status 222 when either does not compile or the key type
// is not C, N, F or D.
Status CompileTagExpressions(IndexTag& tag, WorkArea& area, const std::string& key_text,
                             const std::string& for_text);

// Key of the area's current record into out[0..key_length); for C keys a
// zero follows at out[key_length]. Returns the length of the character
// value before padding (key_length for other types).
int MakeKey(IndexTag& tag, WorkArea& area, uint8_t* out);
// True when the tag has no FOR condition or it holds for the current record.
bool ForPasses(IndexTag& tag, WorkArea& area);
// The key of "no record": blanks for C keys, zeros otherwise.
void BlankKey(const IndexTag& tag, uint8_t* out);
// Key length for a compiled key expression on the current record (C), or
// 12 (N) / 8 (D); -1 for another result type.
int KeyLengthOf(IndexTag& tag, WorkArea& area);

// A key as readable text (trailing blanks of C keys removed).
std::string KeyText(const IndexTag& tag, const uint8_t* key);

}  // namespace xb
