#include "mp3decoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// The MP3 without its first frame, where encoders keep the Xing/LAME tag. The
// recordings are MPEG-2 layer III; the frame length follows from the header.
QByteArray withoutFirstFrame(const QByteArray &mp3) {
    static constexpr int kbps[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                     64, 80, 96, 112, 128, 144, 160, 0};
    static constexpr int rates[4] = {22050, 24000, 16000, 0};
    if (mp3.size() < 4 || quint8(mp3[0]) != 0xFF || (quint8(mp3[1]) & 0xFE) != 0xF2)
        return mp3; // not an MPEG-2 layer III frame
    const int bitrate = kbps[quint8(mp3[2]) >> 4] * 1000;
    const int rate = rates[(quint8(mp3[2]) >> 2) & 3];
    const int padding = (quint8(mp3[2]) >> 1) & 1;
    if (bitrate == 0 || rate == 0)
        return mp3;
    return mp3.mid(72 * bitrate / rate + padding);
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A plain RIFF/WAVE file holding the given 16-bit samples.
QByteArray wavFile(const Mp3Decoder::Audio &audio) {
    QByteArray wav;
    const auto add32 = [&](quint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
    const auto add16 = [&](quint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
    const auto size = quint32(audio.pcm.size());
    const auto blockAlign = quint16(audio.channels * 2);
    wav.append("RIFF");
    add32(qToLittleEndian(36 + size));
    wav.append("WAVEfmt ");
    add32(qToLittleEndian(16u));
    add16(qToLittleEndian(quint16(1)));
    add16(qToLittleEndian(quint16(audio.channels)));
    add32(qToLittleEndian(quint32(audio.sampleRate)));
    add32(qToLittleEndian(quint32(audio.sampleRate) * blockAlign));
    add16(qToLittleEndian(blockAlign));
    add16(qToLittleEndian(quint16(16)));
    wav.append("data");
    add32(qToLittleEndian(size));
    return wav + audio.pcm;
}

} // namespace

class TestMp3Decoder final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void decode_data();
    void decode();
    void longFileStreams();
    void otherRecordings_data();
    void otherRecordings();

private:
    QTemporaryDir m_dir;
    QString m_folder; // holds Chinese characters and spaces, like the program's
    QString m_good;
    Mp3Decoder::Audio m_full;
};

void TestMp3Decoder::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.filePath(QStringLiteral("声音 目录"));
    QVERIFY(QDir().mkpath(m_folder));
    m_good = m_folder + QStringLiteral("/黑  色.mp3");
    QVERIFY2(QFile::copy(QStringLiteral(TINTOKO_TEST_RECORDING), m_good), TINTOKO_TEST_RECORDING);
    QCOMPARE(Mp3Decoder::decode(m_good, m_full), Mp3Decoder::Result::Ok);
}

void TestMp3Decoder::decode_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // written to name first, unless null
    QTest::addColumn<Mp3Decoder::Result>("result");

    using enum Mp3Decoder::Result;
    const QByteArray mp3 = readAll(m_good);
    QVERIFY(!mp3.isEmpty());
    QByteArray noise(8192, '\0');
    QRandomGenerator random(20240607);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);

    QTest::newRow("whole") << QStringLiteral("好.mp3") << mp3 << Ok;
    // A file cut short (an interrupted copy) plays what it holds, whatever its
    // tag promised.
    QTest::newRow("cut in half") << QStringLiteral("半.mp3") << mp3.left(mp3.size() / 2) << Ok;
    QTest::newRow("last frames missing")
        << QStringLiteral("缺.mp3") << mp3.left(mp3.size() - 600) << Ok;
    const QByteArray untagged = withoutFirstFrame(mp3);
    QVERIFY(untagged.size() < mp3.size());
    QTest::newRow("untagged") << QStringLiteral("无标.mp3") << untagged << Ok;
    QTest::newRow("untagged, cut in half")
        << QStringLiteral("无标半.mp3") << untagged.left(untagged.size() / 2) << Ok;
    QTest::newRow("first 100 bytes") << QStringLiteral("头.mp3") << mp3.left(100) << NoFormat;
    QTest::newRow("empty") << QStringLiteral("空.mp3") << QByteArray("") << NoFormat;
    QTest::newRow("text") << QStringLiteral("文字.mp3")
                          << QByteArray("这不是声音。\nThis is not an MP3 file.\n").repeated(50)
                          << NoFormat;
    QTest::newRow("random bytes") << QStringLiteral("乱.mp3") << noise << NoFormat;
    QTest::newRow("wav named mp3")
        << QStringLiteral("波形.mp3") << wavFile(m_full) << FormatChanged;
    // Within the start that is checked: a stream that breaks off, one that
    // turns into another format after the first block decoded.
    QTest::newRow("then zeros") << QStringLiteral("零.mp3") << mp3.left(600) + QByteArray(4096, 0)
                                << DecodeError;
    QTest::newRow("then another format")
        << QStringLiteral("变.mp3")
        << mp3.left(3750) + readAll(QStringLiteral(TINTOKO_TEST_CORPUS "/stereo-44k.mp3"))
        << FormatChanged;
    QTest::newRow("missing") << QStringLiteral("没有.mp3") << QByteArray() << NotAFile;
    QTest::newRow("folder") << QString() << QByteArray() << NotAFile;
}

void TestMp3Decoder::decode() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(Mp3Decoder::Result, result);

    const QString path = name.isEmpty() ? m_folder : m_folder + u'/' + name;
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    Mp3Decoder::Audio audio;
    audio.pcm = "left over";
    QCOMPARE(Mp3Decoder::decode(path, audio), result);
    // A file that does not open as a recording is let go at once.
    const qsizetype openFiles = QDir(QStringLiteral("/proc/self/fd")).count();
    Mp3Decoder decoder;
    const bool opened = decoder.open(path) == Mp3Decoder::Result::Ok;
    QCOMPARE(QDir(QStringLiteral("/proc/self/fd")).count() - openFiles, opened ? 1 : 0);
    if (result != Mp3Decoder::Result::Ok) {
        QVERIFY(audio.pcm.isEmpty());
        QCOMPARE(audio.frameCount(), 0);
        QCOMPARE(audio.durationMs(), 0);
        return;
    }
    QCOMPARE(audio.sampleRate, m_full.sampleRate);
    QCOMPARE(audio.channels, m_full.channels);
    QCOMPARE(audio.pcm.size() % (audio.channels * 2), 0);
    QVERIFY(audio.frameCount() > 0);
    // Without the tag the encoder's delay and padding are not trimmed: up to
    // two frames more.
    QVERIFY(audio.frameCount() <= m_full.frameCount() + 2 * 1152);
    if (name.contains(QStringLiteral("半"))) { // half the file: about half the sound
        QVERIFY(audio.frameCount() > m_full.frameCount() / 4);
        QVERIFY(audio.frameCount() < m_full.frameCount() * 3 / 4);
    }
}

// However long a recording, it plays whole, a block at a time.
void TestMp3Decoder::longFileStreams() {
    const QString path = m_folder + QStringLiteral("/长.mp3");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray one = readAll(m_good);
    const int copies = int(70000 / m_full.durationMs()) + 1; // over 70 s
    for (int k = 0; k < copies; ++k)
        file.write(one);
    file.close();

    Mp3Decoder decoder;
    QCOMPARE(decoder.read(4), QByteArray()); // nothing open
    QCOMPARE(decoder.open(path), Mp3Decoder::Result::Ok);
    QCOMPARE(decoder.announcedMs(), m_full.durationMs()); // its tag's, from the first copy
    QCOMPARE(decoder.read(5).size(), 4);                  // whole samples only
    const qint64 block = decoder.bytesPerSecond() / 50;
    qint64 total = 0;
    for (QByteArray pcm = decoder.read(block); !pcm.isEmpty(); pcm = decoder.read(block)) {
        QVERIFY(pcm.size() <= block);
        total += pcm.size();
    }
    QVERIFY2(total * 1000 / decoder.bytesPerSecond() >= 70000, "did not play to the end");
}

void TestMp3Decoder::otherRecordings_data() {
    // A parent's own recording need not be mono MPEG-2 at 22.05 kHz.
    QTest::addColumn<QString>("seed"); // from the fuzz corpus
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("stereo, 44.1 kHz, MPEG-1") << "stereo-44k" << QByteArray() << 44100 << 2;
    QTest::newRow("MPEG-2.5, 8 kHz") << "mpeg25-8k" << QByteArray() << 8000 << 1;
    QTest::newRow("ID3v2 tag first, 16 kHz") << "id3v2-16k" << QByteArray() << 16000 << 1;
    QTest::newRow("variable bit rate") << "vbr-xing" << QByteArray() << 22050 << 1;
    // A recording, then something else: once its start has decoded cleanly,
    // it plays to where the rest begins, in its own format.
    QTest::newRow("then garbage") << "" << QByteArray(4096, '\xff') << 22050 << 1;
    QTest::newRow("then another format")
        << "" << readAll(QStringLiteral(TINTOKO_TEST_CORPUS "/stereo-44k.mp3")) << 22050 << 1;
}

void TestMp3Decoder::otherRecordings() {
    QFETCH(QString, seed);
    QFETCH(QByteArray, after);
    QFETCH(int, rate);
    QFETCH(int, channels);
    const QByteArray mp3 = readAll(seed.isEmpty() ? m_good
                                                  : QStringLiteral(TINTOKO_TEST_CORPUS "/") + seed +
                                                        QStringLiteral(".mp3"));
    QVERIFY(!mp3.isEmpty());
    const QString path = m_folder + QStringLiteral("/自己的.mp3");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(mp3 + after);
    file.close();

    Mp3Decoder::Audio alone;
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(path, audio), Mp3Decoder::Result::Ok);
    QCOMPARE(audio.sampleRate, rate);
    QCOMPARE(audio.channels, channels);
    QVERIFY(audio.frameCount() > 0);
    if (!after.isEmpty()) {
        // No more and no less than the first part holds.
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(mp3);
        file.close();
        QCOMPARE(Mp3Decoder::decode(path, alone), Mp3Decoder::Result::Ok);
        QCOMPARE(audio.frameCount(), alone.frameCount());
    }
}

QTEST_GUILESS_MAIN(TestMp3Decoder)
#include "tst_mp3decoder.moc"
