#include "engine/index/external_sort.h"

#include <algorithm>
#include <cstring>

#include "engine/index/mdx_format.h"
#include "engine/table/files.h"
#include "platform/file.h"

namespace xb {
namespace {

int32_t RecnoOf(const uint8_t* item, int key_length) { return Get32(item + key_length); }

}  // namespace

ExternalSort::ExternalSort(const KeyOrder& order, int key_length)
    : order_(order), key_length_(key_length), item_size_(key_length + 4),
      items_per_pool_(kSortPoolBytes / (key_length + 4)) {
  pointers_.reserve(kSortPointers);
}

ExternalSort::~ExternalSort() {
  run_file_.reset();
  if (!run_path_.empty()) (void)platform::Files().Delete(run_path_);
}

int ExternalSort::Compare(const uint8_t* a, const uint8_t* b) const {
  const int r = order_.Compare(a, b);
  if (r != 0) return r;
  const int32_t ra = RecnoOf(a, key_length_), rb = RecnoOf(b, key_length_);
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

bool ExternalSort::Less(const uint8_t* a, const uint8_t* b) const { return Compare(a, b) < 0; }

void ExternalSort::SortPointers() {
  std::sort(pointers_.begin(), pointers_.end(),
            [this](const uint8_t* a, const uint8_t* b) { return Less(a, b); });
}

Status ExternalSort::Add(const uint8_t* key, int32_t recno) {
  if (pointers_.size() == static_cast<size_t>(kSortPointers)) {
    if (Status s = WriteRun(); !s.ok()) return s;
  }
  const size_t index = pointers_.size();
  const size_t pool = index / static_cast<size_t>(items_per_pool_);
  if (pool == pools_.size()) pools_.push_back(std::make_unique<uint8_t[]>(kSortPoolBytes));
  uint8_t* item = pools_[pool].get() + (index % static_cast<size_t>(items_per_pool_)) * item_size_;
  std::memcpy(item, key, static_cast<size_t>(key_length_));
  Put32(item + key_length_, recno);
  pointers_.push_back(item);
  return Status::OK();
}

Status ExternalSort::WriteRun() {
  if (run_file_ == nullptr) {
    run_path_ = UniqueFilename();
    if (run_path_.empty()) return Status(ErrorCode() != 0 ? ErrorCode() : 101, " [MakeIndex]");
    if (const int rc = platform::Files().Open(run_path_, platform::open_mode::kExclusive, run_file_); rc != 0)
      return Status(rc, " [MakeIndex]");
  }
  SortPointers();
  // The items leave through a buffer of half the merge buffer, so the run
  // file is written in large sequential pieces.
  std::vector<uint8_t> out;
  out.reserve(kMergeBufferBytes / 2);
  run_start_.push_back(run_end_);
  run_items_.push_back(static_cast<int64_t>(pointers_.size()));
  for (const uint8_t* item : pointers_) {
    if (out.size() + static_cast<size_t>(item_size_) > static_cast<size_t>(kMergeBufferBytes / 2)) {
      if (const int rc = run_file_->WriteAt(run_end_, out); rc != 0) return Status(rc, " [MakeIndex]");
      run_end_ += out.size();
      out.clear();
    }
    out.insert(out.end(), item, item + item_size_);
  }
  if (!out.empty()) {
    if (const int rc = run_file_->WriteAt(run_end_, out); rc != 0) return Status(rc, " [MakeIndex]");
    run_end_ += out.size();
  }
  pointers_.clear();
  return Status::OK();
}

Status ExternalSort::FillRun(int r) {
  RunCursor& c = cursors_[static_cast<size_t>(r)];
  const int64_t capacity = static_cast<int64_t>(c.buffer.size()) / item_size_;
  const int64_t take = std::min(capacity, run_items_[static_cast<size_t>(r)] - c.read);
  c.at = 0;
  c.in_buffer = static_cast<int>(take);
  if (take == 0) return Status::OK();
  const uint64_t offset = run_start_[static_cast<size_t>(r)] + static_cast<uint64_t>(c.read) * item_size_;
  size_t got = 0;
  std::span<uint8_t> dest(c.buffer.data(), static_cast<size_t>(take * item_size_));
  if (const int rc = run_file_->ReadAt(offset, dest, got); rc != 0) return Status(rc, " [MakeIndex]");
  if (got != dest.size()) return Status(100, "short read of the sort file [MakeIndex]");
  c.read += take;
  return Status::OK();
}

Status ExternalSort::Finish() {
  finished_ = true;
  if (run_file_ == nullptr) {
    SortPointers();
    return Status::OK();
  }
  if (!pointers_.empty()) {
    if (Status s = WriteRun(); !s.ok()) return s;
  }
  pools_.clear();
  pointers_ = {};
  const size_t n = run_start_.size();
  const size_t slice_items = std::max<size_t>(1, kMergeBufferBytes / n / static_cast<size_t>(item_size_));
  cursors_.resize(n);
  for (size_t r = 0; r < n; ++r) {
    cursors_[r].buffer.resize(slice_items * static_cast<size_t>(item_size_));
    if (Status s = FillRun(static_cast<int>(r)); !s.ok()) return s;
    if (cursors_[r].in_buffer > 0) ordered_.push_back(static_cast<int>(r));
  }
  auto current = [this](int r) {
    const RunCursor& c = cursors_[static_cast<size_t>(r)];
    return c.buffer.data() + static_cast<size_t>(c.at) * item_size_;
  };
  std::sort(ordered_.begin(), ordered_.end(),
            [&](int a, int b) { return Less(current(a), current(b)); });
  last_.resize(static_cast<size_t>(item_size_));
  return Status::OK();
}

Result<bool> ExternalSort::Next(const uint8_t*& key, int32_t& recno) {
  if (run_file_ == nullptr) {
    if (memory_next_ >= pointers_.size()) return false;
    const uint8_t* item = pointers_[memory_next_++];
    key = item;
    recno = RecnoOf(item, key_length_);
    return true;
  }
  if (ordered_.empty()) return false;
  const int r = ordered_.front();
  RunCursor& c = cursors_[static_cast<size_t>(r)];
  std::memcpy(last_.data(), c.buffer.data() + static_cast<size_t>(c.at) * item_size_, last_.size());
  key = last_.data();
  recno = RecnoOf(last_.data(), key_length_);
  ordered_.erase(ordered_.begin());
  if (++c.at == c.in_buffer) {
    if (Status s = FillRun(r); !s.ok()) return s;
  }
  if (c.at < c.in_buffer) {
    const uint8_t* item = c.buffer.data() + static_cast<size_t>(c.at) * item_size_;
    auto at = std::upper_bound(ordered_.begin(), ordered_.end(), item, [&](const uint8_t* x, int other) {
      const RunCursor& o = cursors_[static_cast<size_t>(other)];
      return Less(x, o.buffer.data() + static_cast<size_t>(o.at) * item_size_);
    });
    ordered_.insert(at, r);
  }
  return true;
}

}  // namespace xb
