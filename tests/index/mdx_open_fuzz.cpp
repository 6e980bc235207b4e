// Fuzz target: an index file of arbitrary bytes beside a small fixed table
// is opened, every tag is walked forward and back in its order, searched,
// and verified. A bad file must end in an engine error: no crash, no read
// outside a node, no endless walk.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/index/expr_hooks.h"
#include "engine/index/index_check.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/table/xbase.h"

namespace {

// NAME C10, NUM N5, BORN D8 with twelve records; the seed corpus was built
// over the same table, so its tags compile here.
const std::string& Folder() {
  // Never destroyed: the exit handler below still needs the name.
  static const std::string& folder = *new std::string([] {
    const char* dir = std::getenv("TMPDIR");
    std::string f = std::string(dir && *dir ? dir : "/tmp") + "/mdx_open_fuzz_" + std::to_string(getpid());
    std::filesystem::create_directories(f);
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    xb::DbfFile scratch;
    std::vector<xb::FieldDesc> fields(3);
    fields[0] = {"NAME", 'C', 10, 0, 0};
    fields[1] = {"NUM", 'N', 5, 0, 0};
    fields[2] = {"BORN", 'D', 8, 0, 0};
    xb::SetReportErrors(false);
    xb::CreateDbf(scratch, f + "/t", fields);
    xb::Use(f + "/t EXCLUSIVE");
    for (int i = 0; i < 12; ++i) {
      xb::ClearRecord();
      xb::PutSwapText(*xb::CurrentArea(), 1, std::string(1, static_cast<char>('a' + (i * 7) % 12)));
      xb::PutSwapText(*xb::CurrentArea(), 2, std::to_string(50 - i * 9));
      xb::Append();
    }
    xb::CloseAll();
    return f;
  }());
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string folder = Folder();
  xb::ResetErrorState();
  xb::SetReportErrors(false);
  xb::ResetSwitches();
  xb::ExpressionInit();
  xb::IndexInit();
  {
    std::ofstream out(folder + "/T.MDX", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  xb::Select(1);
  if (xb::Use(folder + "/t EXCLUSIVE") && xb::SetIndexTo("")) {
    xb::VerifyIndexFile(*xb::CurrentArea());
    const int tags = xb::TagCount(xb::MdxOf(*xb::CurrentArea())->header);
    for (int t = 1; t <= tags && t <= 47; ++t) {
      xb::Set_Order_To(t);
      if (xb::CurrentOrder() == 0) break;
      int steps = 0;
      for (xb::GoTop(); !xb::dEOF() && steps < 200; xb::Skip(1)) ++steps;
      for (xb::GoBottom(), steps = 0; !xb::dBOF() && !xb::dEOF() && steps < 200; xb::Skip(-1)) ++steps;
      xb::Find("d");
      xb::FindExact("a");
      xb::Find("5");
    }
  }
  xb::CloseAll();
  return 0;
}
