#pragma once
// Selecting work areas and opening and closing their tables.
//
// Use(command) takes a command text of the file name and the option words
// EXCLUSIVE and ALIAS name, in any case ("notes exclusive alias other").
// The file name's last component and the alias are kept in upper case;
// directories keep the case they were given in, because the file system
// below matches only the last component without regard to case.
//
// Promises:
//   (1) A failed Use leaves the current slot empty and the error state set.
//   (2) Two open areas among 1..33 never share an alias.
//   (3) Closing a table releases its locks and frees everything the area
//       owned (buffers, filter, memo and index state) on every path.
#include <cstdint>
#include <string>

namespace xb {

// 1..33: that area becomes current. 0: the lowest empty area among 1..33.
bool Select(int n);
int SelectedArea();
// Closes the current area, then opens the table named by `command` there.
// With `buffer` the client supplies the SwapBuffer, which must be exactly
// the size the table's fields need. An empty command only closes.
bool Use(const std::string& command, uint8_t* buffer = nullptr, uint16_t size = 0);
void CloseArea();
// Closes areas 1..33 and selects area 1.
void CloseAll();
// Closes 34 and 35, then everything else. An EEngineError raised while
// closing ends the closing and is swallowed.
void EngineShutdown();

int32_t RecCount();
int32_t RecNo();
int RecSize();
bool dEOF();
bool dBOF();
std::string AliasOf();
std::string FileNameOf();

}  // namespace xb
