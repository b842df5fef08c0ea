#pragma once

// The window's pictures, loaded from the program's own resources.

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "gdi.h"

namespace pictures {

// Loads a bitmap resource of the running program. Throws std::system_error when it is missing.
gdi::Bitmap load(int resourceId);

// The size of a bitmap in pixels.
SIZE sizeOf(HBITMAP bitmap);

// An indexed store of pictures that is never shown; it only holds pictures to give to others.
class PictureStore {
 public:
  explicit PictureStore(std::initializer_list<int> resourceIds);

  // The picture of element `index`, or nullptr when there is no such element.
  HBITMAP operator[](std::int16_t index) const;

 private:
  std::vector<gdi::Bitmap> pictures_;
};

// The stretched pictures of the frame and the title strip.
struct FramePictures {
  FramePictures();

  gdi::Bitmap image7Top;
  gdi::Bitmap image7Bottom;
  gdi::Bitmap image8Left;
  gdi::Bitmap image8Right;
  gdi::Bitmap image9;
};

}  // namespace pictures
