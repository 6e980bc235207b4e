#include "engine/table/hooks.h"

namespace xb {
namespace {

struct InstalledHooks {
  ParserHooks* parser = nullptr;
  IndexHooks* index = nullptr;
  MemoHooks* memo = nullptr;
};

InstalledHooks& Hooks() {
  static InstalledHooks hooks;
  return hooks;
}

}  // namespace

void InstallParserHooks(ParserHooks* hooks) { Hooks().parser = hooks; }
void InstallIndexHooks(IndexHooks* hooks) { Hooks().index = hooks; }
void InstallMemoHooks(MemoHooks* hooks) { Hooks().memo = hooks; }
ParserHooks* InstalledParserHooks() { return Hooks().parser; }
IndexHooks* InstalledIndexHooks() { return Hooks().index; }
MemoHooks* InstalledMemoHooks() { return Hooks().memo; }

}  // namespace xb
