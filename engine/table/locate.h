#pragma once
// Locate and Continue: search one field (or several, one after the other)
// of the current table for a value, reading the field straight from the
// file record by record, without moving the record pointer until a match
// is found.
//
// The value is turned into the field's stored form first: dates become
// "YYYYMMDD", numbers are right-aligned in the field width with the field's
// decimals, logicals "T" or "F". Options:
//   caseless   both sides upper-cased (ANSI) before comparing;
//   exact      the whole stored width must match: a C value shorter than
//              the field matches only when the rest of the field is spaces;
//   contained  the value may occur anywhere in the field;
//   otherwise  the field must begin with the value (trailing spaces of
//              the value ignored).
// Memo fields match when any line of the memo contains the value (read
// through the memo hooks; without them a memo field never matches).
//
// A match on a record that is not visible (deleted while hide-deleted is
// on, or filtered out) is passed over. Without any match the area ends at
// EOF and the remembered search is forgotten, so Continue then reports
// that no Locate preceded it.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace xb {

using LocateValue = std::variant<std::string, double, int64_t, bool>;

struct LocateOptions {
  bool caseless = false;
  bool exact = false;
  bool contained = false;
};

// `field_names`: one name or several separated by ";". `values`: one value
// for every name (a single value serves every name). The first name whose
// search finds a record ends the search. Unless `move_to` and found, the
// record pointer goes back where it was.
bool Locate(const std::string& field_names, const std::vector<LocateValue>& values,
            bool caseless, bool exact, bool move_to = true);
bool Locate(const std::string& field_names, const std::vector<LocateValue>& values,
            const LocateOptions& options, bool move_to = true);
// The next match of the last successful Locate after the current record.
bool Continue();

}  // namespace xb
