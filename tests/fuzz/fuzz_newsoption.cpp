// libFuzzer target: the v.sz reader on any bytes. It must answer on and off
// without crashing, reading no more than its bound.
#include "newsoptionfile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    newsoptionfile::read(buffer);
    if (buffer.pos() > newsoptionfile::kMaxBytes)
        std::abort();
    newsoptionfile::lineMeansOn(QString::fromUtf8(bytes));
    return 0;
}
