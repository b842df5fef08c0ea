#include "pictures.h"

#include <system_error>

#include "resource_ids.h"

namespace pictures {

gdi::Bitmap load(int resourceId) {
  HANDLE picture = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP,
                              0, 0, LR_CREATEDIBSECTION);
  if (!picture) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "picture " + std::to_string(resourceId));
  }
  return gdi::Bitmap(static_cast<HBITMAP>(picture));
}

SIZE sizeOf(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

PictureStore::PictureStore(std::initializer_list<int> resourceIds) {
  pictures_.reserve(resourceIds.size());
  for (int id : resourceIds) pictures_.push_back(load(id));
}

HBITMAP PictureStore::operator[](std::int16_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) return nullptr;
  return pictures_[static_cast<std::size_t>(index)].get();
}

FramePictures::FramePictures()
    : image7Top(load(IDB_FRAME_TOP)),
      image7Bottom(load(IDB_FRAME_BOTTOM)),
      image8Left(load(IDB_FRAME_LEFT)),
      image8Right(load(IDB_FRAME_RIGHT)),
      image9(load(IDB_TITLE_STRIP)) {}

}  // namespace pictures
