#include "soundtiming.h"

#include <chrono>

Q_LOGGING_CATEGORY(lcSoundTiming, "tintoko.sound.timing", QtWarningMsg)

void SoundTiming::log(const char *event, const QString &extra) {
    if (!lcSoundTiming().isDebugEnabled())
        return;
    using namespace std::chrono;
    const auto steadyNs = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch());
    const auto epochUs = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    qCDebug(lcSoundTiming).noquote().nospace()
        << "event=" << event << " steady_ns=" << qint64(steadyNs.count())
        << " epoch_us=" << qint64(epochUs.count()) << extra;
}
