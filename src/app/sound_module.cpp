// kavo_sound: the module that plays sound files through Qt Multimedia.
//
// The program loads it at the first sound only (MediaSoundPlayer), so the
// audio libraries cost nothing at start-up and the program runs on machines
// without them. One effect is kept for the whole run, so a sound plays on
// after the call has returned; the application owns it and ends it before
// the audio system goes.
#include <QCoreApplication>
#include <QSoundEffect>
#include <QString>
#include <QUrl>
#include <QtGlobal>

extern "C" Q_DECL_EXPORT void kavo_play_sound(const QString& path) {
  static QSoundEffect* effect = nullptr;
  if (!effect) effect = new QSoundEffect(QCoreApplication::instance());
  effect->stop();
  effect->setSource(QUrl::fromLocalFile(path));
  effect->play();
}
