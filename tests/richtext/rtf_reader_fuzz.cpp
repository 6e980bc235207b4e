// libFuzzer entry for the RTF reader. Each input is read into a document,
// written back and read again, so the writer's output is fuzzed as well.
// The reader must never crash or hang, and must accept everything the
// writer produces.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace {

// QTextDocument needs fonts, hence a GUI application; made once, never shown.
void ensureApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "fuzz_rtf_reader";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureApplication();
  const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
  QTextDocument document;
  qp::RtfReader reader;
  if (!reader.read(input, document)) {
    if (reader.errorString().isEmpty()) std::abort();  // a failure must say why
    return 0;
  }
  const QByteArray written = qp::RtfWriter::write(document);
  QTextDocument again;
  if (!reader.read(written, again)) std::abort();
  // Pictures are the only objects, and the writer keeps each of them.
  if (again.toPlainText() != document.toPlainText()) std::abort();
  return 0;
}
