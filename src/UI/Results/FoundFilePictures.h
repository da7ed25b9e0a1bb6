#pragma once
// The pictures of found files for the results window's grid and cover flow: a file is known to the loaders by
// its node's address, and its picture is made on a loader's worker through the backend (which reads the file's
// bytes from the scanned device and decodes them, or gives the type's icon).

#include <QImage>

#include "UI/Kit/Thumbnails/ThumbnailLoader.h"
#include "include/IFileNode.h"

namespace quellsy::ui {

inline ThumbnailLoader::Key FoundFileKey(const IFileNode* file) {
  return static_cast<ThumbnailLoader::Key>(reinterpret_cast<std::uintptr_t>(file));
}

// Runs on a worker: the backend's picture of the file, given up once the ticket expires.
ThumbnailLoader::Fetch FoundFilePictureFetch();

// The file's type icon, what a tile shows when its picture cannot be made in time. GUI thread.
QImage FoundFileTypeIcon(const IFileNode* file);

}  // namespace quellsy::ui
