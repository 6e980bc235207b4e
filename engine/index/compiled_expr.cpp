#include "engine/index/compiled_expr.h"

#include <algorithm>
#include <utility>

namespace xb {
namespace {

CompiledExpr* live_head = nullptr;
int live_count = 0;

}  // namespace

CompiledExpr::CompiledExpr(std::string source, char type, uint16_t length, uint8_t decimals,
                           ExprProgram program)
    : source_(std::move(source)),
      type_(type),
      length_(length),
      decimals_(decimals),
      program_(std::move(program)),
      stack_(std::max<uint32_t>(program_.max_depth, 1)),
      // One byte more than the pool so that an empty pool still has room for
      // the terminating zero of an empty result.
      pool_(program_.pool_size + 1, '\0'),
      scratch_(std::max<uint32_t>(program_.pool_size, 256) + 1, '\0') {
  result_.type = type_;
  next_ = live_head;
  if (live_head != nullptr) live_head->prev_ = this;
  live_head = this;
  ++live_count;
}

CompiledExpr::~CompiledExpr() {
  if (prev_ != nullptr) prev_->next_ = next_;
  else live_head = next_;
  if (next_ != nullptr) next_->prev_ = prev_;
  --live_count;
}

int LiveExprCount() { return live_count; }

}  // namespace xb
