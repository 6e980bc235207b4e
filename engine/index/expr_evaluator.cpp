#include "engine/index/expr_evaluator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "engine/index/expr_functions.h"
#include "engine/index/expr_lexer.h"
#include "engine/table/date_names.h"
#include "engine/table/date_settings.h"
#include "engine/table/dates.h"
#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/julian.h"
#include "engine/table/work_area.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace xb {
namespace {

constexpr double kDivideByZeroResult = 1e250;
constexpr size_t kMemoBlockDigits = 10;
constexpr size_t kCtodLength = 10;
constexpr const char kBlankDayName[] = "          ";  // ten spaces
constexpr const char kBlankMonthName[] = "         ";  // nine spaces

// The bytes of a field of the current record. `data` is nullptr when the
// field reads as blank: the table holds no records, the area is gone, or it
// now holds a table whose field no longer has the compiled type.
struct FieldBytes {
  const char* data = nullptr;
  uint32_t length = 0;
};

char ValueTypeOf(char field_type) { return field_type == 'F' ? 'N' : field_type; }

FieldBytes ReadField(const WorkArea* area, int index, char type) {
  if (area == nullptr || index < 0 || static_cast<size_t>(index) >= area->dbf.fields.size()) return {};
  const FieldDesc& f = area->dbf.fields[static_cast<size_t>(index)];
  if (ValueTypeOf(f.type) != type) return {};
  const auto& record = area->dbf.record;
  if (area->dbf.record_count < 1 || static_cast<size_t>(f.offset) + f.length > record.size()) {
    return {nullptr, f.length};
  }
  return {reinterpret_cast<const char*>(record.data()) + f.offset, f.length};
}

class Machine {
 public:
  Machine(CompiledExpr& expr, WorkArea* area)
      : program_(expr.program()),
        w_(expr.stack().data()),
        pool_(expr.pool().data()),
        cap_(static_cast<uint32_t>(expr.pool().size())),
        scratch_(expr.scratch().data()),
        area_(area) {}

  // False when a pool overflow stopped the run.
  bool Run();
  const ExprSlot& Top() const { return w_[0]; }
  const char* pool() const { return pool_; }

 private:
  auto& Text(int from_top) { return w_[sp_ - 1 - from_top].text; }
  double& Num(int from_top) { return w_[sp_ - 1 - from_top].number; }
  int32_t& Logical(int from_top) { return w_[sp_ - 1 - from_top].logical; }

  // Checks that a value of `length` characters fits at `at`; records the
  // overflow otherwise.
  bool Fits(uint64_t at, uint64_t length) {
    if (at + length + 1 <= cap_) return true;
    SetError(354, "Working pool overflow [PARSER/Allocate]");
    return false;
  }
  // Stores a value built elsewhere at the pool top into `slot`.
  bool PutText(ExprSlot& slot, const char* src, uint32_t length) {
    if (!Fits(top_, length)) return false;
    std::memcpy(pool_ + top_, src, length);
    pool_[top_ + length] = '\0';
    slot.text = {top_, length};
    top_ += length + 1;
    return true;
  }
  // Sets the length of the value in `slot`, which starts where it did.
  void Resize(ExprSlot& slot, uint32_t length) {
    slot.text.length = length;
    pool_[slot.text.offset + length] = '\0';
    top_ = slot.text.offset + length + 1;
  }
  // Pops two character values; `a` was pushed first.
  void PopTexts(std::string_view& a, std::string_view& b) {
    const auto tb = w_[--sp_].text;
    const auto ta = w_[--sp_].text;
    a = {pool_ + ta.offset, ta.length};
    b = {pool_ + tb.offset, tb.length};
    top_ = ta.offset;
  }
  void PushLogical(bool value) { w_[sp_++].logical = value ? 1 : 0; }

  bool PushField(const Instr& ins, const WorkArea* area, char type);
  bool PushMemo(const Instr& ins, WorkArea* area);
  bool CallText(Op op);

  const ExprProgram& program_;
  ExprSlot* w_;
  int sp_ = 0;
  char* pool_;
  uint32_t cap_;
  uint32_t top_ = 0;
  char* scratch_;
  WorkArea* area_;
};

bool Machine::PushField(const Instr& ins, const WorkArea* area, char type) {
  const FieldBytes f = ReadField(area, ins.a, type);
  ExprSlot& slot = w_[sp_++];
  switch (type) {
    case 'C': {
      if (!Fits(top_, f.length)) return false;
      uint32_t length = f.length;
      if (f.data == nullptr) {
        std::memset(pool_ + top_, ' ', length);
      } else {
        // A zero byte would end the value early anywhere else; cut here.
        if (const void* nul = std::memchr(f.data, 0, length)) {
          length = static_cast<uint32_t>(static_cast<const char*>(nul) - f.data);
        }
        std::memcpy(pool_ + top_, f.data, length);
      }
      pool_[top_ + length] = '\0';
      slot.text = {top_, length};
      top_ += length + 1;
      return true;
    }
    case 'N': slot.number = f.data ? ParseDecimal(f.data, f.length) : 0; return true;
    case 'D': slot.number = f.data ? DbfToJulian({f.data, f.length}) : kBlankJulian; return true;
    case 'L': {
      const char c = (f.data && f.length > 0) ? f.data[0] : ' ';
      slot.logical = (c == 'Y' || c == 'y' || c == 'T' || c == 't') ? 1 : 0;
      return true;
    }
    default: return true;
  }
}

bool Machine::PushMemo(const Instr& ins, WorkArea* area) {
  const FieldBytes f = ReadField(area, ins.a, 'M');
  ExprSlot& slot = w_[sp_++];
  slot.text = {top_, 0};
  uint32_t length = 0;
  const int64_t block = f.data ? TruncToInt64(ParseDecimal(f.data, std::min<size_t>(f.length, kMemoBlockDigits))) : 0;
  MemoHooks* hooks = InstalledMemoHooks();
  if (block > 0 && hooks != nullptr && area != nullptr) {
    // The memo layer hands out lines as strings; this path allocates there.
    if (auto lines = hooks->OpenLines(*area, static_cast<int32_t>(std::min<int64_t>(block, INT32_MAX)))) {
      std::string line;
      const uint32_t room = top_ < cap_ ? cap_ - top_ - 1 : 0;
      while (length < room && lines->NextLine(line)) {
        const size_t cut = std::min<size_t>(std::strlen(line.c_str()), room - length);
        std::memcpy(pool_ + top_ + length, line.data(), cut);
        length += static_cast<uint32_t>(cut);
      }
    }
  }
  pool_[top_ + length] = '\0';
  slot.text.length = length;
  top_ += length + 1;
  return true;
}

bool Machine::Run() {
  const char* literals = program_.literals.data();
  for (const Instr* ip = program_.code.data();; ++ip) {
    const Instr& ins = *ip;
    switch (ins.op) {
      case Op::kEnd: return true;
      case Op::kPushC:
        if (!PutText(w_[sp_++], literals + ins.a, static_cast<uint32_t>(ins.b))) return false;
        break;
      case Op::kPushN: w_[sp_++].number = ins.number; break;
      case Op::kPushL: w_[sp_++].logical = ins.a; break;
      case Op::kFieldC: if (!PushField(ins, area_, 'C')) return false; break;
      case Op::kFieldN: PushField(ins, area_, 'N'); break;
      case Op::kFieldL: PushField(ins, area_, 'L'); break;
      case Op::kFieldD: PushField(ins, area_, 'D'); break;
      case Op::kFieldM: PushMemo(ins, area_); break;
      case Op::kAliasC: if (!PushField(ins, AreaAt(ins.b), 'C')) return false; break;
      case Op::kAliasN: PushField(ins, AreaAt(ins.b), 'N'); break;
      case Op::kAliasL: PushField(ins, AreaAt(ins.b), 'L'); break;
      case Op::kAliasD: PushField(ins, AreaAt(ins.b), 'D'); break;
      case Op::kAliasM: PushMemo(ins, AreaAt(ins.b)); break;

      case Op::kAddNN: case Op::kAddND: case Op::kAddDN:
        Num(1) += Num(0); --sp_; break;
      case Op::kSubNN: case Op::kSubDN: case Op::kSubDD:
        Num(1) -= Num(0); --sp_; break;
      case Op::kMul: Num(1) *= Num(0); --sp_; break;
      case Op::kDiv:
        if (Num(0) == 0) {
          SetError(358, "Error during evaluation: Divide by 0 [Evaluate/Engine]");
          Num(1) = kDivideByZeroResult;
        } else {
          Num(1) /= Num(0);
        }
        --sp_;
        break;
      case Op::kPow: Num(1) = Power(Num(1), Num(0)); --sp_; break;
      case Op::kNeg: Num(0) = -Num(0); break;

      case Op::kEqN: { const double b = Num(0); --sp_; Logical(0) = Num(0) == b; break; }
      case Op::kNeN: { const double b = Num(0); --sp_; Logical(0) = Num(0) != b; break; }
      case Op::kLtN: { const double b = Num(0); --sp_; Logical(0) = Num(0) < b; break; }
      case Op::kGtN: { const double b = Num(0); --sp_; Logical(0) = Num(0) > b; break; }
      case Op::kLeN: { const double b = Num(0); --sp_; Logical(0) = Num(0) <= b; break; }
      case Op::kGeN: { const double b = Num(0); --sp_; Logical(0) = Num(0) >= b; break; }

      case Op::kEqC: case Op::kNeC: case Op::kLtC: case Op::kGtC: case Op::kLeC:
      case Op::kGeC: case Op::kExactC: case Op::kContainsC: {
        std::string_view a, b;
        PopTexts(a, b);
        bool r = false;
        switch (ins.op) {
          // b must be a non-empty prefix of a: "=" is not the negation of "<>".
          case Op::kEqC: r = !b.empty() && a.substr(0, b.size()) == b; break;
          case Op::kNeC: r = a != b; break;
          case Op::kLtC: r = a < b; break;  // char_traits<char> compares as unsigned
          case Op::kGtC: r = a > b; break;
          case Op::kLeC: r = a <= b; break;
          case Op::kGeC: r = a >= b; break;
          case Op::kExactC: r = a == b; break;
          default: r = !a.empty() && b.find(a) != std::string_view::npos; break;
        }
        PushLogical(r);
        break;
      }
      case Op::kEqL: { const bool b = Logical(0) != 0; --sp_; Logical(0) = (Logical(0) != 0) == b; break; }
      case Op::kNeL: { const bool b = Logical(0) != 0; --sp_; Logical(0) = (Logical(0) != 0) != b; break; }
      case Op::kAnd: { const int32_t b = Logical(0); --sp_; Logical(0) = Logical(0) && b; break; }
      case Op::kOr: { const int32_t b = Logical(0); --sp_; Logical(0) = Logical(0) || b; break; }
      case Op::kNot: Logical(0) = !Logical(0); break;

      case Op::kAbs: Num(0) = std::fabs(Num(0)); break;
      case Op::kInt: Num(0) = std::trunc(Num(0)); break;
      case Op::kMax: { const double b = Num(0); --sp_; Num(0) = Num(0) > b ? Num(0) : b; break; }
      case Op::kMin: { const double b = Num(0); --sp_; Num(0) = Num(0) < b ? Num(0) : b; break; }
      case Op::kMod: { const double b = Num(0); --sp_; Num(0) = TruncMod(Num(0), b); break; }
      case Op::kRound: { const double b = Num(0); --sp_; Num(0) = RoundDown(Num(0), b); break; }
      case Op::kDay: Num(0) = JulianDay(Num(0)); break;
      case Op::kMonth: Num(0) = JulianMonth(Num(0)); break;
      case Op::kYear: Num(0) = JulianYear(Num(0)); break;
      case Op::kDow: Num(0) = JulianDayOfWeek(Num(0)); break;
      case Op::kDate: {
        const platform::CivilDate today = platform::Today();
        w_[sp_++].number = JulianFromYMD(today.year, today.month, today.day);
        break;
      }
      case Op::kRecno: w_[sp_++].number = area_ ? area_->dbf.current_record : 0; break;
      case Op::kDeleted:
        PushLogical(area_ != nullptr && !area_->dbf.record.empty() && area_->dbf.record[0] == '*');
        break;

      default:
        if (!CallText(ins.op)) return false;
        break;
    }
  }
}

// Functions that take or give character values.
bool Machine::CallText(Op op) {
  switch (op) {
    case Op::kConcat: case Op::kConcatBlanks: {
      const auto b = w_[--sp_].text;
      auto& a = Text(0);
      uint32_t keep = a.length;
      if (op == Op::kConcatBlanks) {
        while (keep > 0 && pool_[a.offset + keep - 1] == ' ') --keep;
      }
      const uint32_t blanks = a.length - keep;
      // b follows a in the pool, so moving it down never overruns.
      std::memmove(pool_ + a.offset + keep, pool_ + b.offset, b.length);
      std::memset(pool_ + a.offset + keep + b.length, ' ', blanks);
      Resize(w_[sp_ - 1], a.length + b.length);
      return true;
    }
    case Op::kAsc: {
      auto s = Text(0);
      top_ = s.offset;
      Num(0) = s.length ? static_cast<uint8_t>(pool_[s.offset]) : 0;
      return true;
    }
    case Op::kLen: { auto s = Text(0); top_ = s.offset; Num(0) = s.length; return true; }
    case Op::kVal: { auto s = Text(0); top_ = s.offset; Num(0) = ParseDecimal(pool_ + s.offset, s.length); return true; }
    case Op::kCtod: {
      auto s = Text(0);
      top_ = s.offset;
      Num(0) = TextToJulian({pool_ + s.offset, std::min<size_t>(s.length, kCtodLength)});
      return true;
    }
    case Op::kAt: {
      std::string_view s, t;
      PopTexts(s, t);
      const size_t at = s.empty() ? std::string_view::npos : t.find(s);
      w_[sp_++].number = at == std::string_view::npos ? 0 : static_cast<double>(at + 1);
      return true;
    }
    case Op::kUpper: case Op::kLower: {
      auto s = Text(0);
      char* p = pool_ + s.offset;
      for (uint32_t i = 0; i < s.length; ++i) {
        const auto c = static_cast<uint8_t>(p[i]);
        p[i] = static_cast<char>(op == Op::kUpper ? platform::AnsiUpper(c) : platform::AnsiLower(c));
      }
      return true;
    }
    case Op::kLtrim: {
      auto s = Text(0);
      uint32_t skip = 0;
      while (skip < s.length && pool_[s.offset + skip] == ' ') ++skip;
      std::memmove(pool_ + s.offset, pool_ + s.offset + skip, s.length - skip);
      Resize(w_[sp_ - 1], s.length - skip);
      return true;
    }
    case Op::kRtrim: {
      auto s = Text(0);
      uint32_t keep = s.length;
      while (keep > 0 && pool_[s.offset + keep - 1] == ' ') --keep;
      Resize(w_[sp_ - 1], keep);
      return true;
    }
    case Op::kLeft: case Op::kRight: {
      const int n = TruncToCount(Num(0));
      --sp_;
      auto s = Text(0);
      uint32_t length = s.length;
      if (op == Op::kLeft && n < static_cast<int64_t>(s.length)) {
        length = n < 0 ? 0 : static_cast<uint32_t>(n);
      } else if (op == Op::kRight && n >= 0 && n < static_cast<int64_t>(s.length)) {
        length = static_cast<uint32_t>(n);
        std::memmove(pool_ + s.offset, pool_ + s.offset + s.length - length, length);
      }
      Resize(w_[sp_ - 1], length);
      return true;
    }
    case Op::kSubstr: {
      const int count = TruncToCount(Num(0));
      int start = TruncToCount(Num(1));
      sp_ -= 2;
      auto s = Text(0);
      if (start < 1) start = 1;
      uint32_t length = 0;
      if (static_cast<uint32_t>(start) <= s.length && count > 0) {
        length = std::min<uint32_t>(static_cast<uint32_t>(count), s.length - static_cast<uint32_t>(start) + 1);
        std::memmove(pool_ + s.offset, pool_ + s.offset + start - 1, length);
      }
      Resize(w_[sp_ - 1], length);
      return true;
    }
    case Op::kIif: {
      std::string_view s, t;
      PopTexts(s, t);
      const uint32_t at = static_cast<uint32_t>(s.data() - pool_);
      const bool take_s = Logical(0) != 0;
      const std::string_view pick = take_s ? s : t;
      std::memmove(pool_ + at, pick.data(), pick.size());
      w_[sp_ - 1].text = {at, 0};
      Resize(w_[sp_ - 1], static_cast<uint32_t>(pick.size()));
      return true;
    }
    case Op::kReplicate: {
      const int n = TruncToCount(Num(0));
      --sp_;
      auto s = Text(0);
      const uint64_t total = (n <= 0 || s.length == 0)
                                 ? 0
                                 : std::min<uint64_t>(uint64_t(n) * s.length, kMaxBuiltLength);
      if (!Fits(s.offset, total)) return false;
      char* p = pool_ + s.offset;
      for (uint64_t i = s.length; i < total; ++i) p[i] = p[i % s.length];
      Resize(w_[sp_ - 1], static_cast<uint32_t>(total));
      return true;
    }
    case Op::kStuff: {
      const auto r = w_[--sp_].text;
      const int count = TruncToCount(Num(0));
      const int start = TruncToCount(Num(1));
      sp_ -= 2;
      auto s = Text(0);
      // Out-of-range positions are clamped: before the first character
      // means at it, past the end means appending.
      const uint32_t at = static_cast<uint32_t>(std::clamp(start - 1, 0, static_cast<int>(s.length)));
      const uint32_t cut = static_cast<uint32_t>(std::clamp(count, 0, static_cast<int>(s.length - at)));
      const uint32_t tail = s.length - at - cut;
      std::memcpy(scratch_, pool_ + s.offset, at);
      std::memcpy(scratch_ + at, pool_ + r.offset, r.length);
      std::memcpy(scratch_ + at + r.length, pool_ + s.offset + at + cut, tail);
      const uint32_t total = std::min<uint32_t>(at + r.length + tail, kMaxBuiltLength);
      std::memcpy(pool_ + s.offset, scratch_, total);
      Resize(w_[sp_ - 1], total);
      return true;
    }
    case Op::kSoundex: {
      auto s = Text(0);
      char code[4];
      Soundex(pool_ + s.offset, s.length, code);
      if (!Fits(s.offset, 4)) return false;
      std::memcpy(pool_ + s.offset, code, 4);
      Resize(w_[sp_ - 1], 4);
      return true;
    }
    case Op::kChr: {
      const char c = static_cast<char>(TruncToInt64(Num(0)) & 0xFF);
      return PutText(w_[sp_ - 1], &c, c == '\0' ? 0 : 1);
    }
    case Op::kSpace: {
      const int n = std::clamp(TruncToCount(Num(0)), 0, static_cast<int>(kMaxBuiltLength));
      std::memset(scratch_, ' ', static_cast<size_t>(n));
      return PutText(w_[sp_ - 1], scratch_, static_cast<uint32_t>(n));
    }
    case Op::kStr: {
      const double dec = Num(0);
      const double len = Num(1);
      sp_ -= 2;
      const size_t n = FormatStr(Num(0), len, dec, scratch_);
      return PutText(w_[sp_ - 1], scratch_, static_cast<uint32_t>(n));
    }
    case Op::kDtoc: case Op::kDtos: {
      const std::string text = op == Op::kDtoc ? JulianToText(Num(0)) : JulianToDbf(Num(0));
      return PutText(w_[sp_ - 1], text.data(), static_cast<uint32_t>(text.size()));
    }
    case Op::kCdow: {
      const int dow = JulianDayOfWeek(Num(0));
      const std::string name = dow ? DayNameOf(DateFormatCode(), dow) : kBlankDayName;
      return PutText(w_[sp_ - 1], name.data(), static_cast<uint32_t>(name.size()));
    }
    case Op::kCmonth: {
      const int month = JulianMonth(Num(0));
      const std::string name = month ? MonthNameOf(DateFormatCode(), month) : kBlankMonthName;
      return PutText(w_[sp_ - 1], name.data(), static_cast<uint32_t>(name.size()));
    }
    default:
      return true;
  }
}

}  // namespace

const ExprResult& RunExpr(CompiledExpr& expr, WorkArea* area) {
  ExprResult& result = expr.result();
  Machine machine(expr, area);
  const bool ok = machine.Run();
  const ExprSlot& top = machine.Top();
  result.type = expr.type();
  result.text = {};
  result.number = 0;
  result.logical = false;
  switch (expr.type()) {
    case 'C': case 'M':
      if (ok) result.text = {machine.pool() + top.text.offset, top.text.length};
      else { expr.pool()[0] = '\0'; result.text = {expr.pool().data(), 0}; }
      break;
    case 'N': result.number = ok ? top.number : 0; break;
    case 'D': result.number = ok ? top.number : kBlankJulian; break;
    case 'L': result.logical = ok && top.logical != 0; break;
  }
  return result;
}

}  // namespace xb
