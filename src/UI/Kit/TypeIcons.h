#pragma once
// The icon of a file type by its extension: the drawing of its type group ("2IconImage" for documents to
// "8IconImage" for other files), with the extension written on a badge from 40 points up. The group comes from the installed
// file-type catalogue, else from the shared MIME database (image/, audio/, video/, text/, archives, mail);
// an extension neither knows gives a null image. Safe from any thread.

#include <QImage>
#include <QSize>
#include <QString>

namespace quellsy::ui {

// "jpg", ".JPG" and "photo.jpg" alike; null for an empty or unknown extension.
QImage TypeIcon(const QString& extension, QSize size = QSize(32, 32));
// The type group (1 document ... 64 other) the icon stands for; 0 when unknown.
int TypeGroupOfExtension(const QString& extension);

// The icon of a file-system path as TIFF data: a drive for a block device or mount point, a folder, or the
// icon of the file's type (a plain document when its type is unknown); empty when the path does not exist.
QByteArray copyIconDataForPath(const QString& path);

}  // namespace quellsy::ui
