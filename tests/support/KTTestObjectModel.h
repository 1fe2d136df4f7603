#pragma once

#include <QString>

#include <memory>

class KTObjectModel;

// A small object model for store tests: "Photo" records in "Album" records.
//   Photo: name (string), rank (integer), flag (boolean), shown (boolean, transient),
//          album (to-one Album, inverse photos)
//   Album: title (string), photos (to-many Photo, inverse album)
inline const QString kPhoto = QStringLiteral("Photo");
inline const QString kAlbum = QStringLiteral("Album");

std::shared_ptr<const KTObjectModel> testObjectModel();
