// Playing a sound file without waiting for it to end.
#pragma once

class QString;

namespace kavo {

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // file is relative to the working directory; a missing or unplayable file
  // plays nothing.
  virtual void Play(const QString& file) = 0;
};

// Plays through the kavo_sound module next to the program, loaded at the
// first sound. Without the module (built only where Qt Multimedia is found)
// there is no sound.
class MediaSoundPlayer : public SoundPlayer {
 public:
  void Play(const QString& file) override;
};

}  // namespace kavo
