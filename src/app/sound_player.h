// Playing a sound file without waiting for it to end.
#pragma once

#include <memory>

class QString;

namespace kavo {

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // file is relative to the working directory; a missing or unplayable file
  // plays nothing.
  virtual void Play(const QString& file) = 0;
};

// Plays through Qt Multimedia when the program was built with it; without it
// there is no sound.
class MediaSoundPlayer : public SoundPlayer {
 public:
  MediaSoundPlayer();
  ~MediaSoundPlayer() override;
  void Play(const QString& file) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kavo
