#include "Sounds.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

// Outside any namespace, as the resource initialiser requires: the resources
// live in a static library, which nothing else would pull in.
static void LoadSoundResources()
{
    Q_INIT_RESOURCE(sounds);
}

namespace {

const QString SoundFolder = QStringLiteral(":/sounds");

} // namespace

TResourceSoundPlayer::TResourceSoundPlayer()
{
    LoadSoundResources();
    const QFileInfoList files = QDir(SoundFolder).entryInfoList({QStringLiteral("*.wav")}, QDir::Files);
    for (const QFileInfo& file : files) {
        auto effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl(QStringLiteral("qrc") + file.absoluteFilePath()));
        FSounds.emplace(file.completeBaseName(), std::move(effect));
    }
}

TResourceSoundPlayer::~TResourceSoundPlayer() = default;

void TResourceSoundPlayer::Play(const QString& name)
{
    const auto found = FSounds.find(name);
    if (found == FSounds.end())
        return;
    found->second->stop();
    found->second->play();
}

QStringList TResourceSoundPlayer::Names() const
{
    QStringList names;
    for (const auto& sound : FSounds)
        names << sound.first;
    return names;
}
