// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as RTF into a document: the reader must not crash, hang or allocate without
// bound, and the text it makes is never longer than the bytes it came from.
#include "documents/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdlib>

using namespace quarnex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // QTextDocument needs a GUI application; one for the whole run.
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_rtf_reader";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(app);

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    if (readRtf(bytes, &document) && document.characterCount() > bytes.size() + 1)
        std::abort();
    return 0;
}
