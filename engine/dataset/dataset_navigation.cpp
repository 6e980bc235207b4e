// TDataSet's record buffer window and the moves over it: First, Last,
// MoveBy, Resync, Refresh and bookmarks.
#include <algorithm>

#include "engine/dataset/dataset_base.h"

namespace xb {

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
  if (from == to) return;
  std::vector<uint8_t> moved = std::move(buffers_[from]);
  buffers_.erase(buffers_.begin() + from);
  buffers_.insert(buffers_.begin() + to, std::move(moved));
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int wanted = 1;
  for (TDataSource* source : sources_)
    for (TDataLink* link : source->Links()) wanted = std::max(wanted, link->BufferCount());
  SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int count) {
  const size_t size = static_cast<size_t>(RecordBufferSize());
  if (count == buffer_count_ && buffers_.size() == static_cast<size_t>(count) + 1) return;
  if (record_count_ > count) {
    // Keep the active record inside the smaller window.
    const int drop = std::max(0, active_record_ - (count - 1));
    for (int i = 0; i < drop; ++i) MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
    active_record_ -= drop;
    record_count_ = count;
    current_record_ = -1;
  }
  buffers_.resize(static_cast<size_t>(count) + 1);
  for (auto& b : buffers_) b.resize(size, 0);
  buffer_count_ = count;
  if (IsCursorOpen() && !IsEditState(state_) && record_count_ < count) GetNextRecords();
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ == 0 || current_record_ == active_record_) return;
  uint8_t* buffer = buffers_[active_record_].data();
  switch (GetBookmarkFlag(buffer)) {
    case TBookmarkFlag::bfCurrent:
    case TBookmarkFlag::bfInserted:
      InternalSetToRecord(buffer);
      break;
    case TBookmarkFlag::bfBOF:
      InternalFirst();
      break;
    case TBookmarkFlag::bfEOF:
      InternalLast();
      break;
  }
  current_record_ = active_record_;
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = TGetMode::gmNext;
  if (record_count_ > 0) {
    const int last = record_count_ - 1;
    if (current_record_ != last) {
      const int saved_active = active_record_;
      active_record_ = last;
      UpdateCursorPos();
      active_record_ = saved_active;
    }
    if (state_ == TDataSetState::dsInsert && current_record_ == active_record_ &&
        GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent)
      mode = TGetMode::gmCurrent;
  }
  if (GetRecord(buffers_[record_count_].data(), mode, true) != TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else if (record_count_ < buffer_count_) {
    ++record_count_;
  } else {
    MoveBuffer(0, record_count_);
    if (active_record_ > 0) --active_record_;
  }
  current_record_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (record_count_ > 0 && current_record_ != 0) {
    const int saved_active = active_record_;
    active_record_ = 0;
    UpdateCursorPos();
    active_record_ = saved_active;
  }
  if (GetRecord(buffers_[record_count_].data(), TGetMode::gmPrior, true) != TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    } else if (active_record_ < record_count_ - 1) {
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

void TDataSet::GetNextRecords() {
  while (record_count_ < buffer_count_ && GetNextRecord()) {
  }
}

void TDataSet::GetPriorRecords() {
  while (record_count_ < buffer_count_ && GetPriorRecord()) {
  }
}

bool TDataSet::IsEmpty() const { return active_record_ >= record_count_; }

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  bof_ = true;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  // The window was filled backwards: the last record is the active one.
  active_record_ = std::max(0, record_count_ - 1);
  eof_ = true;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    const int old_count = record_count_;
    int scroll = 0;
    try {
      while (distance > 0) {
        if (active_record_ < record_count_ - 1) {
          ++active_record_;
        } else {
          const int step = record_count_ < buffer_count_ ? 0 : 1;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          scroll += step;
          active_record_ = record_count_ - 1;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (active_record_ > 0) {
          --active_record_;
        } else {
          const int step = record_count_ < buffer_count_ ? 0 : -1;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          scroll += step;
          active_record_ = 0;
        }
        ++distance;
        --moved;
      }
    } catch (...) {
      DataEvent(record_count_ != old_count ? TDataEvent::deLayoutChange : TDataEvent::deDataSetScroll, scroll);
      DoAfterScroll();
      throw;
    }
    DataEvent(record_count_ != old_count ? TDataEvent::deLayoutChange : TDataEvent::deDataSetScroll, scroll);
    DoAfterScroll();
  }
  return moved;
}

void TDataSet::Resync(bool exact, bool center) {
  if (buffers_.empty()) return;
  uint8_t* target = buffers_[record_count_].data();
  if (exact) {
    CursorPosChanged();
    if (GetRecord(target, TGetMode::gmCurrent, true) != TGetResult::grOK)
      throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Record not found");
  } else if (GetRecord(target, TGetMode::gmCurrent, false) != TGetResult::grOK &&
             GetRecord(target, TGetMode::gmNext, false) != TGetResult::grOK &&
             GetRecord(target, TGetMode::gmPrior, false) != TGetResult::grOK) {
    ClearBuffers();
    DataEvent(TDataEvent::deDataSetChange);
    return;
  }
  int count = center ? (buffer_count_ - 1) / 2 : active_record_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync(false, false);
}

TBookmark TDataSet::GetBookmark() {
  TBookmark bookmark;
  if (Active() && record_count_ > 0 && GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
    bookmark.resize(static_cast<size_t>(BookmarkSize()));
    GetBookmarkData(ActiveBuffer(), bookmark.data());
  }
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync(true, true);
  DoAfterScroll();
}

}  // namespace xb
