// Writes an animated GIF of a few flat-coloured frames. Built for the
// program's own pictures: the frames share one palette of at most 256
// colours and the image data is stored with LZW codes that never grow past
// nine bits, which every GIF reader accepts.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace kavo::art {

// All frames must have the size of the first. delay is in hundredths of a
// second. Returns false when the frames have too many colours or the file
// cannot be written.
bool WriteAnimatedGif(const QString& path, const std::vector<QImage>& frames, int delay);

}  // namespace kavo::art
