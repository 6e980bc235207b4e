// rtftool prints an RTF file as plain text, as HTML or as the RTF our writer
// produces for it, so reader and writer can be checked against files from
// other programs without starting the desktop side.
//
//   rtftool text FILE | rtftool html FILE | rtftool rtf FILE | rtftool --help
//
// Exit status: 0 on success, 1 when the file cannot be read or is not RTF,
// 2 on wrong usage.
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>
#include <cstring>

#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace {

const char kUsage[] =
    "usage: rtftool text|html|rtf FILE\n"
    "  text FILE   the document's plain text\n"
    "  html FILE   the document as HTML, as the note editor holds it\n"
    "  rtf FILE    the RTF our writer produces for the document\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

void writeOut(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 3) return usage();
  const char* mode = argv[1];
  if (std::strcmp(mode, "text") != 0 && std::strcmp(mode, "html") != 0 &&
      std::strcmp(mode, "rtf") != 0)
    return usage();

  // QTextDocument needs a GUI application for fonts; no window is ever shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  QGuiApplication app(qt_argc, argv);

  const QString path = QString::fromLocal8Bit(argv[2]);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "rtftool: cannot open %s: %s\n", argv[2],
                 file.errorString().toLocal8Bit().constData());
    return 1;
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    std::fprintf(stderr, "rtftool: cannot read %s: %s\n", argv[2],
                 file.errorString().toLocal8Bit().constData());
    return 1;
  }

  QTextDocument document;
  qp::RtfReader reader;
  if (!reader.read(data, document)) {
    std::fprintf(stderr, "rtftool: %s: %s\n", argv[2],
                 reader.errorString().toLocal8Bit().constData());
    return 1;
  }
  if (std::strcmp(mode, "text") == 0) {
    writeOut(document.toPlainText().toUtf8() + '\n');
  } else if (std::strcmp(mode, "html") == 0) {
    writeOut(document.toHtml().toUtf8() + '\n');
  } else {
    writeOut(qp::RtfWriter::write(document));
  }
  return 0;
}
