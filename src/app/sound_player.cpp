#include "app/sound_player.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#if KAVO_HAVE_MULTIMEDIA
#include <QSoundEffect>
#include <QUrl>
#endif

namespace kavo {

#if KAVO_HAVE_MULTIMEDIA
// The effect is created at the first sound: setting up audio costs more than
// the whole start of the program.
struct MediaSoundPlayer::Impl {
  std::unique_ptr<QSoundEffect> effect;
};

void MediaSoundPlayer::Play(const QString& file) {
  QString path = QDir::current().absoluteFilePath(file);
  if (!QFileInfo::exists(path)) return;
  if (!impl_->effect) impl_->effect = std::make_unique<QSoundEffect>();
  impl_->effect->stop();
  impl_->effect->setSource(QUrl::fromLocalFile(path));
  impl_->effect->play();
}
#else
struct MediaSoundPlayer::Impl {};

void MediaSoundPlayer::Play(const QString&) {}
#endif

MediaSoundPlayer::MediaSoundPlayer() : impl_(std::make_unique<Impl>()) {}
MediaSoundPlayer::~MediaSoundPlayer() = default;

}  // namespace kavo
