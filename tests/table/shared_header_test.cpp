// The header of a shared table while other programs append to it: the
// record count and the end-of-file byte are written only under the append
// lock, from the count in the file at that moment.
#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

// Stands in for another program: the moment this process lets go of the
// append lock, that program appends one record the way any dBASE writer
// does (record over the old end-of-file byte, new end-of-file byte, header
// count).
class AppendAfterUnlock : public platform::FileSystemWrapper {
 public:
  AppendAfterUnlock() : FileSystemWrapper(platform::Files()) {}
  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& out) override {
    std::unique_ptr<platform::File> real;
    const int rc = target_.Open(p, m, real);
    if (rc == 0) out = std::make_unique<Watched>(std::move(real), *this, target_.Resolve(p));
    return rc;
  }
  bool armed = false;
  int appended = 0;

 private:
  class Watched : public platform::FileWrapper {
   public:
    Watched(std::unique_ptr<platform::File> f, AppendAfterUnlock& owner, std::string path)
        : FileWrapper(std::move(f)), owner_(owner), path_(std::move(path)) {}
    int Unlock(uint64_t o, uint64_t l) override {
      const int rc = FileWrapper::Unlock(o, l);
      if (owner_.armed && o == xb::Switches().lock_base + 1) {
        owner_.armed = false;
        ForeignAppend(path_);
        ++owner_.appended;
      }
      return rc;
    }

   private:
    AppendAfterUnlock& owner_;
    std::string path_;
  };

  static void ForeignAppend(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    const size_t header_length = bytes[8] | bytes[9] << 8, record_length = bytes[10] | bytes[11] << 8;
    const size_t whole = (bytes.size() - header_length) / record_length;
    bytes.resize(header_length + whole * record_length);
    bytes.push_back(' ');
    for (size_t i = 1; i < record_length; ++i) bytes.push_back('x');
    bytes.push_back(0x1A);
    const uint32_t count = static_cast<uint32_t>(whole + 1);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(count >> (8 * i));
    WriteBytes(path, bytes);
  }
};

class SharedHeaderTest : public AreaTest {
 protected:
  // Header count, whole records in the file, and the first byte of each.
  struct Layout {
    uint32_t count = 0;
    size_t whole = 0;
    std::vector<uint8_t> flags;
    bool ends_with_eof = false;
  };
  Layout Read() {
    const std::vector<uint8_t> bytes = Bytes("people.dbf");
    Layout l;
    l.count = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    const size_t header_length = bytes[8] | bytes[9] << 8, record_length = bytes[10] | bytes[11] << 8;
    l.whole = (bytes.size() - header_length) / record_length;
    for (size_t r = 0; r < l.whole; ++r) l.flags.push_back(bytes[header_length + r * record_length]);
    l.ends_with_eof = bytes.size() == header_length + l.whole * record_length + 1 && bytes.back() == 0x1A;
    return l;
  }
  // Changes record 1 under its record lock, which leaves a header write
  // pending for the next append lock's release.
  static bool ChangeFirstRecord() {
    xb::Go(1);
    if (!xb::RLock()) return false;
    const bool ok = Put(1, "changed") && xb::Replace();
    xb::Unlock();
    return ok;
  }
  // What other readers need once no program holds the append lock: a
  // header that counts every whole record, and the end-of-file byte last.
  void ExpectSettled(uint32_t records) {
    const Layout l = Read();
    EXPECT_EQ(l.count, records);
    EXPECT_EQ(l.whole, records);
    EXPECT_TRUE(l.ends_with_eof);
  }
};

// Each way a shared table is let go of after an append or a change: the
// other program's record must survive with its flag, and the header must
// count it.
TEST_F(SharedHeaderTest, AnotherProgramsAppendAfterOurUnlockSurvivesOurClose) {
  struct Case {
    const char* what;
    bool unlock_before_close;  // Unlock, then CloseArea; or CloseArea alone
    bool replace;              // a changed record (record lock) instead of an append
  };
  for (const Case& c : {Case{"append, unlock, close", true, false}, Case{"append, close", false, false},
                        Case{"replace, unlock, close", true, true}}) {
    SCOPED_TRACE(c.what);
    const std::string path = MakePeople(NamedRows(2));
    AppendAfterUnlock files;
    platform::SetFiles(&files);
    ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
    if (c.replace) {
      ASSERT_TRUE(ChangeFirstRecord()) << xb::ErrorText();
      // The other program appends while this one closes.
      ASSERT_TRUE(xb::ALock());
    } else {
      ASSERT_TRUE(xb::ALock());
      xb::ClearRecord();
      ASSERT_TRUE(Put(1, "ours"));
      ASSERT_TRUE(xb::Append()) << xb::ErrorText();
    }
    files.armed = true;
    if (c.unlock_before_close) xb::Unlock();
    xb::CloseArea();
    platform::SetFiles(nullptr);
    ASSERT_EQ(files.appended, 1);

    const Layout l = Read();
    const size_t expected = c.replace ? 3 : 4;
    EXPECT_EQ(l.whole, expected);
    EXPECT_EQ(l.count, expected);
    for (size_t r = 0; r < l.flags.size(); ++r) EXPECT_EQ(l.flags[r], ' ') << "record " << r + 1;
    EXPECT_TRUE(l.ends_with_eof);
  }
}

// Another program keeps its multi-user bytes (16..27) in the header of a
// table this one has open shared. Our header writes under the append lock
// bring count and date up to date and leave those bytes as that program
// wrote them, however the table is let go of.
TEST_F(SharedHeaderTest, HeaderWritesKeepWhatAnotherProgramKeepsInTheMultiUserBytes) {
  for (const bool unlock_before_close : {true, false}) {
    SCOPED_TRACE(unlock_before_close ? "append, unlock, close" : "append, close");
    const std::string path = MakePeople(NamedRows(2));
    ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
    const std::string file = platform::Files().Resolve(scratch_.Path("people.dbf"));
    ASSERT_FALSE(file.empty());
    std::vector<uint8_t> bytes = ReadBytes(file);
    for (int i = 16; i < 28; ++i) bytes[i] = static_cast<uint8_t>(0xA0 + i);
    bytes[1] = 80;  // a date of 1980 that ours must replace
    WriteBytes(file, bytes);
    ASSERT_TRUE(xb::ALock());
    xb::ClearRecord();
    ASSERT_TRUE(Put(1, "ours"));
    ASSERT_TRUE(xb::Append()) << xb::ErrorText();
    if (unlock_before_close) xb::Unlock();
    xb::CloseArea();

    const std::vector<uint8_t> after = ReadBytes(file);
    for (int i = 16; i < 28; ++i) EXPECT_EQ(after[i], 0xA0 + i) << "byte " << i;
    EXPECT_NE(after[1], 80) << "date written";
    ExpectSettled(3u);
  }
}

// An appended record goes out with its end-of-file byte, so that a reader
// that ignores the append lock finds a file that ends right even before
// the header is written; the header write then leaves that byte alone.
TEST_F(SharedHeaderTest, AnAppendEndsTheFileBeforeTheHeaderCountsIt) {
  const std::string path = MakePeople(NamedRows(2));
  ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
  ASSERT_TRUE(xb::ALock());
  for (const char* name : {"a", "b"}) {
    xb::ClearRecord();
    ASSERT_TRUE(Put(1, name));
    ASSERT_TRUE(xb::Append()) << xb::ErrorText();
    const Layout held = Read();
    EXPECT_EQ(held.count, 2u) << "the header waits for the release";
    EXPECT_TRUE(held.ends_with_eof) << "after " << name;
    for (size_t r = 0; r < held.flags.size(); ++r) EXPECT_EQ(held.flags[r], ' ') << "record " << r + 1;
  }
  xb::Unlock();
  ExpectSettled(4u);
}

// The count an append took from the file size holds only while that append
// lock is held. Another program appends after each of our releases; a
// later lock that appends nothing must still count those records, not the
// ones we knew of under the earlier lock.
TEST_F(SharedHeaderTest, AReleaseCountsRecordsAppendedSinceAnEarlierLock) {
  const std::string path = MakePeople(NamedRows(2));
  AppendAfterUnlock files;
  platform::SetFiles(&files);
  ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(Put(1, "ours"));
  ASSERT_TRUE(xb::Append()) << xb::ErrorText();
  files.armed = true;
  xb::Unlock();  // the other program's record 4 follows
  ASSERT_EQ(files.appended, 1);
  ASSERT_TRUE(ChangeFirstRecord()) << xb::ErrorText();
  ASSERT_TRUE(xb::ALock());
  xb::Unlock();
  ExpectSettled(4u);
  xb::CloseArea();
  platform::SetFiles(nullptr);
}

}  // namespace
}  // namespace qptest
