// libFuzzer target: a recording replaced by any bytes. Opening and decoding it
// to the end must never crash, and every block must be whole sample frames of
// at most the size asked for.
#include "mp3decoder.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The decoder reads files: one in memory, with no name on any disk, that
    // goes away with the process. The decoder opens it afresh by its
    // /proc/self/fd path each time.
    static const int fd = memfd_create("tintoko-fuzz.mp3", MFD_CLOEXEC);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;

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
