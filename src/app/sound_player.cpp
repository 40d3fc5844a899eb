#include "app/sound_player.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QString>

namespace kavo {
namespace {

using PlayFunction = void (*)(const QString&);

// The module's entry point, looked up once; nullptr when there is no module.
PlayFunction Player() {
  static PlayFunction play = [] {
    QLibrary module(QDir(QCoreApplication::applicationDirPath()).filePath("kavo_sound"));
    return reinterpret_cast<PlayFunction>(module.resolve("kavo_play_sound"));
  }();
  return play;
}

}  // namespace

void MediaSoundPlayer::Play(const QString& file) {
  QString path = QDir::current().absoluteFilePath(file);
  if (!QFileInfo::exists(path)) return;
  if (PlayFunction play = Player()) play(path);
}

}  // namespace kavo
