#pragma once
// A scratch program folder with a real store, the controller started over
// it as main() starts it, and the desktop seams replaced by fakes.
#include <QSignalSpy>

#include "app/ui/NoteMn.h"
#include "tests/app/store_fixture.h"
#include "tests/app/ui_fakes.h"

namespace qp {

class ControllerTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    services_.sound = &sound_;
    services_.shell = &shell_;
    services_.help = &help_;
    services_.ask = &ask_;
    services_.clock = &clock_;
    services_.alarms = &alarms_;
    services_.pickers = &pickers_;
  }
  void TearDown() override {
    controller_.reset();
    store_.reset();
    StoreTest::TearDown();
  }
  // Opens the store and starts the controller over it, as main() does.
  void Start() {
    if (!store_) {
      store_ = std::make_unique<XbNoteStore>(folder(), clock_);
      store_->readRunStatus();
    }
    controller_ = std::make_unique<TFrmNotesMain>(*store_, services_, nullptr, false);
    QSignalSpy ready(controller_.get(), &TFrmNotesMain::ready);
    controller_->start();
    ASSERT_TRUE(ready.wait(3000));
  }
  // A stored note, before the controller starts.
  NoteRecord Stored(const QString& caption, QRect geometry, bool showing, bool collapsed = false) {
    if (!store_) store_ = OpenStore();
    NoteRecord note = NewNote(*store_);
    note.caption = caption;
    note.geometry = geometry;
    note.collapsed = collapsed;
    note.rtf = "{\\rtf1 " + caption.toUtf8() + "}";
    EXPECT_EQ(store_->updateNote(note, showing ? Showing::Shown : Showing::Hidden), StoreResult::Done);
    return note;
  }
  TFrmNote* OnlyNote() {
    const QList<TFrmNote*> notes = controller_->noteWindows();
    EXPECT_EQ(notes.size(), 1);
    return notes.isEmpty() ? nullptr : notes.front();
  }
  NoteRecord Record(int recNo) { return store_->readNote(recNo).value_or(NoteRecord{}); }

  FakeSound sound_;
  FakeShell shell_;
  FakeHelp help_;
  FakeAsk ask_;
  FakeAlarms alarms_;
  FakePickers pickers_;
  AppServices services_;
  std::unique_ptr<XbNoteStore> store_;
  std::unique_ptr<TFrmNotesMain> controller_;
};

}  // namespace qp
