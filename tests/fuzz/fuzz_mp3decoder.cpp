// libFuzzer target: a recording replaced by any bytes. Opening and decoding it
// to the end must never crash, and every block must be whole sample frames of
// at most the size asked for.
#include "mp3decoder.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The decoder reads files: one in memory-backed /dev/shm per process.
    static const QString path = QStringLiteral("/dev/shm/tintoko-fuzz-%1.mp3").arg(getpid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    Mp3Decoder decoder;
    if (decoder.open(path) != Mp3Decoder::Result::Ok)
        return 0;
    const qint64 frameBytes = qint64(decoder.channels()) * 2;
    const qint64 block = 4410;
    for (int k = 0; k < 10000; ++k) {
        const QByteArray pcm = decoder.read(block);
        if (pcm.size() > block || pcm.size() % frameBytes != 0)
            std::abort();
        if (pcm.isEmpty())
            break;
    }
    return 0;
}
