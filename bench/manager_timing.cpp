// manager_bench [--quick] [FOLDER]
//
// --quick leaves out the 100,000-record grid (its table takes minutes to
// fill).
// The Notes & Reminders manager with 10,000 notes: opening it (tables,
// grid, first rows painted), searching as the user types (the first search
// reads every note's text; the following ones use the text cache), a
// search right after one note changed, and the grid over 100,000 records
// (first screen, then scrolled to the end). Prints medians; asserts nothing.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/model/XbManagerStore.h"
#include "app/model/XbNoteStore.h"
#include "app/model/notes_fields.h"
#include "app/ui/NotesAlarms.h"
#include "components/XbGridModel.h"
#include "components/axbgrids.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/xbase.h"

namespace {

class NoWindows : public qp::ManagerHost {
 public:
  QList<qp::TemplateEntry> templateEntries() override { return {{1, "Plain Note", true}, {2, "To-Do List", true}}; }
  void showNoteWindow(int) override {}
  bool hideNoteWindow(int) override { return false; }
  void editNoteProperties(int) override {}
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Fills the folder's notes table with `count` notes through the engine
// directly (the store's per-note path would take minutes).
void FillNotes(const QString& folder, int count) {
  xb::TXbDbf notes("Fill");
  xb::ConfigureNotesTable(notes);
  notes.SetDbfFileName((folder + "notes.dbf").toStdString());
  notes.Open();
  notes.SetIndexTo("");
  const char* words[] = {"garage", "milk", "dentist", "holiday", "invoice", "birthday", "café", "meeting"};
  for (int n = 1; n <= count; ++n) {
    notes.ClearRecord();
    notes.PutField("DESC", "Note " + std::to_string(n) + " " + words[n % 8]);
    notes.PutField("SHOWING", "N");
    notes.PutField("NOTEBOARD", std::to_string(1 + n % 2));
    notes.PutField("ALARMACT", n % 100 == 0 ? "Y" : "N");
    notes.FieldByName("MEMO")->SetAsString(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans;}}\\f0\\fs18 Note " + std::to_string(n) +
        ": call the garage about the brakes, buy milk, eggs and bread, and book the dentist for " + words[(n * 7) % 8] +
        ".\\par}");
    notes.ALock();
    notes.AppendRec();
    notes.UnLock();
  }
  notes.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir scratch;
  const QStringList args = QCoreApplication::arguments().mid(1);
  const bool quick = args.contains("--quick");
  QStringList folders = args;
  folders.removeAll("--quick");
  const QString folder = (folders.isEmpty() ? scratch.path() : folders.first()) + '/';
  QDir().mkpath(folder);
  xb::SetReportErrors(false);
  xb::DatasetLayerInit();
  {
    qp::Clock clock;
    qp::XbNoteStore store(folder, clock);
    store.readRunStatus();
    QStringList failed;
    store.open(&failed);  // creates the tables
  }
  xb::CloseAll();
  QElapsedTimer t;
  t.start();
  FillNotes(folder, 10000);
  std::printf("fill 10,000 notes: %lld ms\n", t.elapsed());

  std::vector<double> opens;
  for (int round = 0; round < 5; ++round) {
    t.restart();
    qp::XbManagerStore tables(folder);
    tables.open();
    NoWindows host;
    qp::TFrmMaintainNotes form(tables, host, folder + "Config.cfg");
    form.show();
    QImage image(form.size(), QImage::Format_RGB32);
    form.render(&image);  // the first screen painted, rows read
    opens.push_back(t.nsecsElapsed() / 1e6);
  }
  std::printf("manager open, 10,000 notes, first screen painted: median %.1f ms\n", Median(opens));

  {
    // Two managers never share a process: each opens the tables under the
    // same component names.
    qp::XbManagerStore cold(folder);
    cold.open();
    cold.showPage(qp::ManagerPage::AllNotes);
    t.restart();
    cold.setSearch("garage");
    std::printf("first search at once after opening (reads and converts every note): %.1f ms\n",
                t.nsecsElapsed() / 1e6);
  }
  // What the manager does while the user looks: the text read in slices.
  qp::XbManagerStore tables(folder);
  tables.open();
  tables.showPage(qp::ManagerPage::AllNotes);
  t.restart();
  int slices = 0;
  std::vector<double> slice_ms;
  QElapsedTimer slice;
  for (bool done = false; !done; ++slices) {
    slice.restart();
    done = tables.prepareSearch(50);
    slice_ms.push_back(slice.nsecsElapsed() / 1e6);
  }
  std::printf("search prepared while idle: %.1f ms in %d slices (median slice %.2f ms)%s\n", t.nsecsElapsed() / 1e6,
              slices, Median(slice_ms),
              qPrintable(tables.lastError().isEmpty() ? QString() : " " + tables.lastError()));
  t.restart();
  tables.setSearch("garage");
  std::printf("first search after that: %.2f ms\n", t.nsecsElapsed() / 1e6);
  const char* typed[] = {"g", "ga", "gar", "gara", "garag", "garage", "garage m", "garage mi", "dentist holiday",
                         "CAFE", "note 99"};
  std::vector<double> searches;
  for (int round = 0; round < 3; ++round)
    for (const char* q : typed) {
      t.restart();
      tables.setSearch(q);
      searches.push_back(t.nsecsElapsed() / 1e6);
    }
  std::printf("search as the user types, 10,000 notes: median %.2f ms, worst %.2f ms\n", Median(searches),
              *std::max_element(searches.begin(), searches.end()));
  // One note changes (another window stores it): the next search checks
  // every note against its record and converts only the changed one.
  xb::TXbDbf other("Other");
  xb::ConfigureNotesTable(other);
  other.SetDbfFileName((folder + "notes.dbf").toStdString());
  other.Open();
  other.Go(5000);
  other.PutField("DESC", "changed");
  other.RLock();
  other.ReplaceRec();
  other.UnLock();
  t.restart();
  tables.setSearch("garage");
  std::printf("search after another program changed a note: %.1f ms\n", t.nsecsElapsed() / 1e6);

  if (quick) return 0;
  // The grid over 100,000 records.
  xb::CloseAll();
  const QString big = folder + "big/";
  QDir().mkpath(big);
  {
    qp::Clock clock;
    qp::XbNoteStore store(big, clock);
    store.readRunStatus();
    QStringList failed;
    store.open(&failed);
  }
  xb::CloseAll();
  t.restart();
  FillNotes(big, 100000);
  std::printf("fill 100,000 notes: %lld ms\n", t.elapsed());
  qp::XbManagerStore bigTables(big);
  bigTables.open();
  t.restart();
  bigTables.showPage(qp::ManagerPage::AllNotes);
  TXbGrid grid;
  grid.setModel(bigTables.notesModel());
  grid.resize(451, 300);
  grid.show();
  QImage image(grid.size(), QImage::Format_RGB32);
  grid.render(&image);
  std::printf("grid over 100,000 notes, first screen: %.1f ms\n", t.nsecsElapsed() / 1e6);
  t.restart();
  int pages = 0;
  while (grid.model()->canFetchMore({}) || pages == 0) {
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    grid.render(&image);
    ++pages;
    if (!grid.model()->canFetchMore({})) break;
  }
  std::printf("scrolled to the end (%d rows, %d jumps): %.1f ms, %.3f ms per jump\n", grid.model()->rowCount(), pages,
              t.nsecsElapsed() / 1e6, t.nsecsElapsed() / 1e6 / std::max(1, pages));
  return 0;
}
