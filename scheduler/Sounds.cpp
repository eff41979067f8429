#include "Sounds.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QtEndian>

// Outside any namespace, as the resource initialiser requires: the resources
// live in a static library, which nothing else would pull in.
static void LoadSoundResources()
{
    Q_INIT_RESOURCE(sounds);
}

namespace {

const QString SoundFolder = QStringLiteral(":/sounds");

quint32 Le32(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
quint16 Le16(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }

} // namespace

bool ReadWave(const QByteArray& file, TWaveSound& sound)
{
    sound = TWaveSound {};
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return false;
    bool format = false;
    // Chunks: four-character id, 32-bit size, data padded to an even size.
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const QByteArray id = file.mid(at, 4);
        const quint32 size = Le32(file, at + 4);
        const qsizetype body = at + 8;
        if (size > quint32(file.size() - body))
            return false;
        if (id == "fmt " && size >= 16) {
            if (Le16(file, body) != 1) // PCM only
                return false;
            sound.Channels = Le16(file, body + 2);
            sound.SampleRate = int(Le32(file, body + 4));
            sound.BitsPerSample = Le16(file, body + 14);
            format = true;
        } else if (id == "data") {
            sound.Samples = file.mid(body, qsizetype(size));
        }
        at = body + qsizetype(size) + (size & 1);
    }
    return format && !sound.Samples.isEmpty() && sound.Channels > 0 && sound.SampleRate > 0
        && (sound.BitsPerSample == 8 || sound.BitsPerSample == 16);
}

TResourceSoundPlayer::TResourceSoundPlayer()
{
    LoadSoundResources();
    const QFileInfoList files = QDir(SoundFolder).entryInfoList({QStringLiteral("*.wav")}, QDir::Files);
    for (const QFileInfo& info : files) {
        QFile file(info.absoluteFilePath());
        TWaveSound sound;
        if (file.open(QIODevice::ReadOnly) && ReadWave(file.readAll(), sound))
            FSounds.emplace(info.completeBaseName(), std::move(sound));
    }
}

TResourceSoundPlayer::~TResourceSoundPlayer()
{
    Stop();
}

void TResourceSoundPlayer::Stop()
{
    if (FSink)
        FSink->stop();
    FSink.reset();
    FSource.reset();
}

void TResourceSoundPlayer::Play(const QString& name)
{
    const auto found = FSounds.find(name);
    if (found == FSounds.end())
        return;
    Stop();
    const TWaveSound& sound = found->second;
    QAudioFormat format;
    format.setSampleRate(sound.SampleRate);
    format.setChannelCount(sound.Channels);
    format.setSampleFormat(sound.BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(format))
        return; // no audio device: the run goes on in silence
    FSource = std::make_unique<QBuffer>();
    FSource->setData(sound.Samples);
    FSource->open(QIODevice::ReadOnly);
    FSink = std::make_unique<QAudioSink>(device, format);
    FSink->start(FSource.get()); // pulls the samples as the device needs them
}

QStringList TResourceSoundPlayer::Names() const
{
    QStringList names;
    for (const auto& sound : FSounds)
        names << sound.first;
    return names;
}
