#include "platform/qt_sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>

#include "core/link/wav_image.h"

namespace kelp {

namespace {

const char* audioErrorText(QAudio::Error error) {
    switch (error) {
        case QAudio::OpenError:
            return "the sound device could not be opened (no sound server or device?)";
        case QAudio::IOError:
            return "the sound device stopped taking data";
        case QAudio::FatalError:
            return "the sound device is not usable";
        default:
            return "the sound device reported an error";
    }
}

}  // namespace

bool QtSoundOutput::play(const std::vector<std::uint8_t>& wav) {
    stopRequested_ = false;
    std::string why;
    const std::optional<WavFormat> wavFormat = parseWav(wav, &why);
    if (!wavFormat)
        return fail(why);
    if (QCoreApplication::instance() == nullptr)
        return fail("sound needs the program's event loop, which is not running");

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return fail("no sound output device was found");
    QAudioFormat format;
    format.setSampleRate(wavFormat->sampleRate);
    format.setChannelCount(wavFormat->channels);
    format.setSampleFormat(wavFormat->bitsPerSample == 8 ? QAudioFormat::UInt8
                                                         : QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return fail("the sound device " + device.description().toStdString() +
                    " cannot play this sound's format");

    QByteArray samples(reinterpret_cast<const char*>(wav.data() + wavFormat->dataOffset),
                       static_cast<qsizetype>(wavFormat->frames() * wavFormat->frameSize()));
    QBuffer source(&samples);
    source.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    sink.start(&source);
    // Without a sound server the sink fails here and never changes state afterwards.
    if (sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError) {
        const QAudio::Error error = sink.error();
        sink.stop();
        return fail(audioErrorText(error));
    }

    // The idle state alone is no reliable end: wait until the sink has processed the whole
    // sound, then give its buffer time to play out (idle ends that wait early).
    const qint64 soundUs =
        static_cast<qint64>(wavFormat->frames()) * 1000000 / wavFormat->sampleRate;
    const qint64 bytesPerSecond =
        static_cast<qint64>(wavFormat->sampleRate) * wavFormat->frameSize();
    const qint64 tailMs = std::clamp<qint64>(
        bytesPerSecond > 0 ? sink.bufferSize() * 1000 / bytesPerSecond : 0, 20, 300);
    const qint64 limitMs = soundUs / 1000 + tailMs + kGraceMs;
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 processedAtMs = -1;
    bool timedOut = false;
    QAudio::Error failure = QAudio::NoError;
    while (!stopRequested_) {
        if (sink.error() == QAudio::IOError || sink.error() == QAudio::FatalError ||
            sink.error() == QAudio::OpenError) {
            failure = sink.error();
            break;
        }
        if (processedAtMs < 0 && sink.processedUSecs() >= soundUs)
            processedAtMs = elapsed.elapsed();
        if (processedAtMs >= 0 &&
            (sink.state() == QAudio::IdleState || elapsed.elapsed() - processedAtMs >= tailMs))
            break;
        if (elapsed.elapsed() >= limitMs) {
            timedOut = true;
            break;
        }
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const qint64 processed = sink.processedUSecs();
    sink.stop();
    if (failure != QAudio::NoError)
        return fail(audioErrorText(failure));
    if (timedOut && processed == 0)
        return fail("the sound device did not start playing within " + std::to_string(limitMs) +
                    " ms");
    error_.clear();
    return true;
}

bool QtSoundOutput::playFile(const std::filesystem::path& file) {
    const auto bytes = readFileBytes(file.string());
    if (!bytes)
        return fail("cannot read " + file.string());
    return play(*bytes);
}

}  // namespace kelp
