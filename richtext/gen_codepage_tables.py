# Writes CodePageTables.cpp beside this script: python3 gen_codepage_tables.py
import codecs
import os
# 437, 866 and 1252 are the engine's: platform/codepage_tables.cpp.
pages = [850, 1250, 1251, 1253, 1254, 1257]
out = []
out.append("// Generated from Python's codecs module: the upper halves (bytes 0x80-0xFF) of the")
out.append("// single-byte Windows and OEM code pages only the RTF reader and writer use (1252,")
out.append("// 437 and 866 are the engine's, in platform/codepage_tables.cpp). Bytes a")
out.append("// code page leaves undefined map to the C1 control of the same value, as Windows")
out.append("// does, so every byte decodes to something and the writer's reverse map stays total.")
out.append("#include \"richtext/CodePageTables.h\"")
out.append("")
out.append("namespace qp::codepage_tables {")
out.append("")
for p in pages:
    vals = []
    for b in range(0x80, 0x100):
        try:
            s = bytes([b]).decode('cp%d' % p)
            assert len(s) == 1
            vals.append(ord(s))
        except UnicodeDecodeError:
            vals.append(b)
    # low half must be ASCII for these pages
    for b in range(0x20, 0x80):
        assert bytes([b]).decode('cp%d' % p) == chr(b), (p, b)
    out.append("const char16_t kCp%d[128] = {" % p)
    for i in range(0, 128, 8):
        out.append("    " + ", ".join("0x%04X" % v for v in vals[i:i+8]) + ",")
    out.append("};")
    out.append("")
out.append("}  // namespace qp::codepage_tables")
open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'CodePageTables.cpp'), 'w').write("\n".join(out) + "\n")
