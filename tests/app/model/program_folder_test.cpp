// Where the program keeps the user's files and where it reads what came
// with it: an installed copy must use the per-user data folder and its own
// share/quillpad, a copy run from the build folder the build's data, and
// neither may ever pick a folder it would write into by mistake.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <optional>

#include "app/model/Preferences.h"
#include "app/model/ProgramFolder.h"
#include "tests/support/scratch.h"

namespace qp {
namespace {

// Sets or clears an environment variable for the life of the object and
// puts the old value back after, so one case cannot leak into the next.
class EnvironmentValue {
 public:
  EnvironmentValue(const char* name, const std::optional<QString>& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value)
      qputenv(name, value->toLocal8Bit());
    else
      qunsetenv(name);
  }
  ~EnvironmentValue() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

class ProgramFolderTest : public ::testing::Test {
 protected:
  QString root() const { return QString::fromStdString(scratch_.dir().string()); }
  void MakeDir(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(root() + "/" + relative)); }

  qptest::Scratch scratch_;
};

TEST_F(ProgramFolderTest, TheDataFolderFollowsQuillpadHomeThenXdgDataHomeThenHome) {
  const struct {
    const char* name;
    std::optional<QString> quillpadHome;
    std::optional<QString> xdgDataHome;
    QString expected;  // relative to the scratch folder
    bool xdgAsGiven = false;  // XDG_DATA_HOME not made absolute under the scratch folder
  } cases[] = {
      {"QUILLPAD_HOME wins", "notes-here", "xdg", "notes-here"},
      {"XDG_DATA_HOME next", std::nullopt, "xdg", "xdg/Quillpad"},
      {"an empty variable counts as unset", "", "", "home/.local/share/Quillpad"},
      {"the home folder last", std::nullopt, std::nullopt, "home/.local/share/Quillpad"},
      {"a relative XDG_DATA_HOME is ignored", std::nullopt, "xdg", "home/.local/share/Quillpad", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto underRoot = [this](const std::optional<QString>& v) -> std::optional<QString> {
      if (!v || v->isEmpty()) return v;
      return root() + "/" + *v;
    };
    const EnvironmentValue home("HOME", root() + "/home");
    const EnvironmentValue quillpadHome("QUILLPAD_HOME", underRoot(c.quillpadHome));
    const EnvironmentValue xdg("XDG_DATA_HOME", c.xdgAsGiven ? c.xdgDataHome : underRoot(c.xdgDataHome));
    const QString folder = ProgramFolderPath();
    EXPECT_EQ(folder.toStdString(), (QFileInfo(root() + "/" + c.expected).absoluteFilePath() + "/").toStdString());
    // A fresh account has no ~/.local/share yet: the whole path is made.
    EXPECT_TRUE(QFileInfo(folder).isDir());
  }
}

TEST_F(ProgramFolderTest, TheContentFolderIsTheInstalledOneBeforeTheBuildCopy) {
  const struct {
    const char* name;
    bool installed;   // <prefix>/share/quillpad beside <prefix>/bin
    bool buildCopy;   // data/ beside the executable
    QString expected;  // relative to the scratch folder, "" for none
  } cases[] = {
      {"installed", true, false, "share/quillpad/"},
      {"run from the build folder", false, true, "bin/data/"},
      {"both: the installed content", true, true, "share/quillpad/"},
      {"neither", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(QDir(root()).removeRecursively());
    MakeDir("bin");
    if (c.installed) MakeDir("share/quillpad");
    if (c.buildCopy) MakeDir("bin/data");
    const QString expected = c.expected.isEmpty() ? QString() : QDir(root()).absolutePath() + "/" + c.expected;
    EXPECT_EQ(ContentFolderPath(root() + "/bin").toStdString(), expected.toStdString());
  }
}

TEST_F(ProgramFolderTest, TheDefaultReminderSoundIsTheInstalledWaveFile) {
  MakeDir("bin");
  MakeDir("share/quillpad/sounds");
  const QString content = ContentFolderPath(root() + "/bin");
  ASSERT_FALSE(content.isEmpty());
  const QString config = root() + "/Config.cfg";  // absent: every key has its default

  EXPECT_EQ(LoadPreferences(config, content).soundFile, content + "sounds/Reminder.wav");
  EXPECT_EQ(SoundFileIn(content, "Collapse.wav"), content + "sounds/Collapse.wav");
  // Without any content there is no sound to name, rather than a relative
  // name that would be looked up in whatever folder the program runs in.
  EXPECT_EQ(LoadPreferences(config, QString()).soundFile, QString());
  EXPECT_EQ(SoundFileIn(QString(), "Expand.wav"), QString());

  // The user's own choice stays as written.
  QFile file(config);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Reminder]\r\nSoundFile=/home/ann/bell.wav\r\n");
  file.close();
  EXPECT_EQ(LoadPreferences(config, content).soundFile, "/home/ann/bell.wav");
}

}  // namespace
}  // namespace qp
