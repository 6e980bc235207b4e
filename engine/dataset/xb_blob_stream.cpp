#include "engine/dataset/xb_blob_stream.h"

#include <cstring>

#include "engine/memo/memo_blob.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace xb {

TXbBlobStream::TXbBlobStream(TField* field, int mode, bool convert)
    : field_(field), dataset_(dynamic_cast<TXbFileDataSet*>(field->DataSet())), mode_(mode) {
  if (dataset_ == nullptr || !field->IsBlob()) throw EDatabaseError("Field '" + field->DisplayName() + "' is not a blob field");
  if (!DirectOpenClose() || !dataset_->CheckOpen("CreateBlobStream")) return;
  if (mode_ != 0 && !IsEditState(dataset_->State())) throw EDatabaseError("Dataset not in edit or insert mode");
  uint8_t* slot = dataset_->ActiveSlot(field_);
  int32_t block = 0;
  if (slot != nullptr) std::memcpy(&block, slot, 4);
  if (mode_ == 0) {
    ClearErrorCode();
    CreateBlobDescriptor(convert, block, 1);
    opened_ = ErrorCode() == 0;
    return;
  }
  const int32_t fresh = CreateBlobDescriptor(convert, block, 2);
  opened_ = fresh != 0;
  if (opened_ && slot != nullptr) std::memcpy(slot, &fresh, 4);
}

TXbBlobStream::~TXbBlobStream() {
  if (!dataset_->CheckOpen("DestroyBlobStream")) return;
  if (opened_ && mode_ == 1) {
    uint8_t* slot = dataset_->ActiveSlot(field_);
    int32_t block = 0;
    if (slot != nullptr) std::memcpy(&block, slot, 4);
    if (!modified_ && block != 0) {
      std::memset(slot, 0, 4);
      modified_ = true;
    }
    try {
      dataset_->StoreBufferInEngine();
    } catch (...) {
    }
  }
  if (opened_) DestroyBlobDescriptor();
  if (modified_) {
    try {
      dataset_->DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(field_));
    } catch (...) {
      // A control's handler failing must not leave the memo half written.
    }
  }
  DirectOpenClose();
}

bool TXbBlobStream::DirectOpenClose() {
  if (dataset_->Active()) return true;
  SetError(1103, "DataSet must be active. " + dataset_->Name());
  return false;
}

int32_t TXbBlobStream::Read(void* buffer, int32_t count) {
  if (!opened_ || !dataset_->CheckOpen("ReadBlobStream")) return 0;
  return ReadBlobStream(buffer, count);
}

int32_t TXbBlobStream::Write(const void* buffer, int32_t count) {
  if (!opened_ || mode_ == 0 || !dataset_->CheckOpen("WriteBlobStream")) return 0;
  const int32_t n = WriteBlobStream(buffer, count);
  if (count > 0) modified_ = true;
  return n;
}

int32_t TXbBlobStream::Seek(int32_t offset, int origin) {
  if (!opened_ || !dataset_->CheckOpen("SeekBlobStream")) return 0;
  return SeekBlobStream(offset, origin);
}

}  // namespace xb
